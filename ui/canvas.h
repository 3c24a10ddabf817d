#pragma once
// An image surface with the small canvas the drawings need: pen, fill, rectangles,
// lines, filled ellipses and text on an opaque box. Every call can be recorded so tests
// check the exact pixels asked for without comparing screenshots across fonts.

#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace platecam {

// Colours as 0x00BBGGRR.
inline constexpr std::uint32_t Black = 0x000000;
inline constexpr std::uint32_t White = 0xFFFFFF;
inline constexpr std::uint32_t Red = 0x0000FF;
inline constexpr std::uint32_t Green = 0x008000;
inline constexpr std::uint32_t Blue = 0xFF0000;

struct DrawCall {
    enum Kind { FillRect, MoveTo, LineTo, Ellipse, Text };
    DrawCall(Kind k, int a = 0, int b = 0, int c = 0, int d = 0)
        : kind(k), x1(a), y1(b), x2(c), y2(d) {}
    Kind kind;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::uint32_t pen = 0;
    int penWidth = 1;
    std::uint32_t fill = 0;
    QString text;
};

// The nearest integer pixel, ties to even; a value that is not finite or beyond the
// pixel range stops the drawing with the invalid-operation message.
int Nearest(long double value);

class ImageSurface {
public:
    ImageSurface(int width, int height);

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    const QImage& Image() const { return image_; }

    void SetPenColor(std::uint32_t colour) { pen_ = colour; }
    void SetPenWidth(int width) { penWidth_ = width; }
    void SetPenSolid() { penSolid_ = true; }
    std::uint32_t PenColor() const { return pen_; }
    int PenWidth() const { return penWidth_; }
    void SetFillColor(std::uint32_t colour) { fill_ = colour; }

    void FillRect(int left, int top, int right, int bottom);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    // The ellipse inscribed in the box given by two opposite corners, filled.
    void Ellipse(int x1, int y1, int x2, int y2);
    void TextOut(int x, int y, const QString& text);

    void SetFont(const QFont& font) { font_ = font; }

    // Tests switch recording on; the program leaves it off.
    void Record(bool on) {
        recording_ = on;
        calls_.clear();
    }
    const std::vector<DrawCall>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }

    // Called after every drawing operation so the widget showing the surface repaints.
    void SetChangedCallback(std::function<void()> callback) { changed_ = std::move(callback); }

private:
    void Log(DrawCall call);
    void Changed() {
        if (changed_) changed_();
    }

    QImage image_;
    QFont font_;
    std::uint32_t pen_ = Black;
    int penWidth_ = 1;
    bool penSolid_ = true;
    std::uint32_t fill_ = White;
    int x_ = 0, y_ = 0;
    bool recording_ = false;
    std::vector<DrawCall> calls_;
    std::function<void()> changed_;
};

}  // namespace platecam
