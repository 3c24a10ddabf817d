// The design report: A4 pages drawn with QPainter on a QPdfWriter, vector and with
// embedded fonts. Loaded by platecam-batch only when a report is asked for.
//
// Page 1 holds the cam figure, the design data, the segment table and the checks above a
// drawing's title block; tables that do not fit go on over continuation pages. Then the
// motion charts, the loads at speed when the design has them, the figures against the
// speed when a sweep was asked for, and the contour's coordinates. Every text is drawn
// into a box and checked against it, so the layout check can name any text that does not
// fit.

#include "report/report.h"

#include "plot/chart.h"
#include "plot/design_plane.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platecam {
namespace {

constexpr double Pi = 3.141592653589793;
constexpr double PageWidth = 210, PageHeight = 297, Margin = 15;  // mm
constexpr double Top = 11, Bottom = 286;                          // mm: the text area
constexpr double TitleBlockRow = 10;                              // mm
constexpr int Dpi = 600;

// Millimetres to device units and back.
double D(double mm) { return mm * Dpi / 25.4; }
double Mm(double device) { return device * 25.4 / Dpi; }
QPointF P(double x, double y) { return QPointF(D(x), D(y)); }
QRectF R(double x, double y, double w, double h) { return QRectF(D(x), D(y), D(w), D(h)); }

QFont Font(double points, bool bold = false) {
    QFont font(QStringLiteral("IPAPGothic"));
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

QPen Pen(double widthMm, QColor colour = Qt::black, Qt::PenStyle style = Qt::SolidLine) {
    return QPen(colour, D(widthMm), style, Qt::RoundCap, Qt::RoundJoin);
}

const QColor Grey(110, 110, 110);
const QColor Rule(160, 160, 160);
const QColor Follower(170, 90, 0);
const QColor LimitRed(200, 60, 60);

QColor VerdictColour(ReportVerdict kind) {
    switch (kind) {
        case ReportVerdict::Pass:
            return QColor(0, 110, 40);
        case ReportVerdict::Fail:
            return QColor(210, 0, 0);
        case ReportVerdict::Warning:
            return QColor(175, 95, 0);
        case ReportVerdict::Information:
            break;
    }
    return Grey;
}

// ---------------------------------------------------------------- line breaking

// The scripts the breaking tells apart: Japanese text has no spaces between its words, and
// breaks inside a katakana word, inside a kanji compound or between a kanji and its kana
// ending read wrongly; a line may end after a particle or punctuation, or between words of
// different scripts.
enum class Script { Space, Hiragana, Katakana, Kanji, Closing, Opening, Other };

Script ScriptOf(QChar c) {
    const char16_t u = c.unicode();
    if (c.isSpace()) return Script::Space;
    if (u >= 0x3041 && u <= 0x309F) return Script::Hiragana;
    if ((u >= 0x30A0 && u <= 0x30FF) || (u >= 0xFF66 && u <= 0xFF9F)) return Script::Katakana;
    if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) || u == 0x3005 || u == 0x3006)
        return Script::Kanji;
    if (u == 0x3001 || u == 0x3002 || u == 0xFF0C || u == 0xFF0E || u == 0xFF09 || u == 0x300D ||
        u == 0x300F || u == 0x3011 || u == 0xFF1A || u == 0xFF1B || u == u',' || u == u';' || u == u')')
        return Script::Closing;
    if (u == 0xFF08 || u == 0x300C || u == 0x300E || u == 0x3010 || u == u'(') return Script::Opening;
    return Script::Other;
}

// Whether a line may end between `a` and `b`.
bool BreakBetween(QChar a, QChar b) {
    const Script x = ScriptOf(a), y = ScriptOf(b);
    if (y == Script::Space || y == Script::Closing || x == Script::Opening) return false;
    if (x == Script::Space || x == Script::Closing || y == Script::Opening) return true;
    // After a particle or a kana ending, before the next word.
    if (x == Script::Hiragana) return y == Script::Kanji || y == Script::Katakana;
    // Between a katakana word and a kanji one, either way round.
    return (x == Script::Katakana && y == Script::Kanji) || (x == Script::Kanji && y == Script::Katakana);
}

// Where a word too long for a line may still break: after a hyphen, an underscore, a dot or
// a slash that has more of the word after it (a file name), or between two kana or kanji
// where the second may start a line.
bool BreakInsideWord(QChar a, QChar b) {
    if ((a == u'-' || a == u'_' || a == u'.' || a == u'/') && b.isLetterOrNumber()) return true;
    const Script x = ScriptOf(a), y = ScriptOf(b);
    const bool cjk = x == Script::Hiragana || x == Script::Katakana || x == Script::Kanji;
    const char16_t u = b.unicode();
    const bool small = u == 0x30FC || QStringLiteral("ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ").contains(b);
    return cjk && (y == Script::Hiragana || y == Script::Katakana || y == Script::Kanji) && !small;
}

// `text` set in lines no wider than `width` (mm) by `measure`, broken where the rules above
// allow: first between words, then inside a word too long for a line. A word that cannot
// break at all stays whole and overflows, for the layout check to name.
template <typename Measure>
QString Broken(const QString& text, double width, Measure&& measure) {
    QStringList out;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        // The pieces between the places a line may end.
        QStringList pieces;
        QString piece;
        for (int k = 0; k < paragraph.size(); ++k) {
            if (k > 0 && BreakBetween(paragraph[k - 1], paragraph[k])) {
                pieces << piece;
                piece.clear();
            }
            piece += paragraph[k];
        }
        pieces << piece;
        // A piece too long for a line in the pieces it may break into inside.
        QStringList fine;
        for (const QString& p : pieces) {
            if (measure(p.trimmed()) <= width) {
                fine << p;
                continue;
            }
            QString part;
            for (int k = 0; k < p.size(); ++k) {
                if (k > 0 && BreakInsideWord(p[k - 1], p[k])) {
                    fine << part;
                    part.clear();
                }
                part += p[k];
            }
            fine << part;
        }
        auto chop = [](QString t) {
            while (!t.isEmpty() && t.back().isSpace()) t.chop(1);
            return t;
        };
        QString line;
        for (const QString& p : fine) {
            const QString longer = line + p;
            if (line.isEmpty() || measure(chop(longer)) <= width) {
                line = longer;
            } else {
                out << chop(line);
                line = p;
                while (!line.isEmpty() && line.front().isSpace()) line.remove(0, 1);
            }
        }
        out << chop(line);
    }
    return out.join(QLatin1Char('\n'));
}

// The pages being drawn, or only measured: the first pass counts the pages (for "page 1
// of 3") without drawing, the second draws.
class Sheet : public plot::Surface {
  public:
    Sheet(QPdfWriter& writer, QPainter& painter, std::vector<ReportOverflow>* overflows,
          std::vector<ReportClash>* clashes = nullptr)
        : plot::Surface(painter, Dpi), writer_(writer), overflows_(overflows), clashes_(clashes) {
        drawing = false;
    }

    int page = 1;
    // How densely page 1 is set: a design with much to say gets smaller type and rows
    // before a table goes on over another page.
    struct Density {
        double rowPad;  // mm above and below a row's text
        double fieldPoints, segmentPoints, checkPoints;
    };
    static constexpr Density Normal{1.0, 8, 7.5, 8}, Medium{0.75, 7.5, 7.2, 7.6},
        Compact{0.55, 7, 7, 7.2};
    Density density = Normal;
    int pages = 0;  // known when drawing

    void NewPage() {
        if (drawing) writer_.newPage();
        ++page;
    }

    // Draws `text` in the box (mm) and notes it where its drawn bounding box leaves the box.
    void Text(double x, double y, double w, double h, const QString& text, const QFont& font,
              int flags = Qt::AlignLeft | Qt::AlignVCenter, const QColor& colour = Qt::black) override {
        if (!drawing || text.isEmpty()) return;
        p.setFont(font);
        p.setPen(platecam::Pen(0.1, colour));
        const QRectF box = platecam::R(x, y, w, h);
        QRectF used;
        if (flags & Qt::TextWordWrap) {
            p.drawText(box, flags & ~Qt::TextWordWrap, Lines(text, font, w), &used);
        } else {
            p.drawText(box, flags, plot::Drawable(text), &used);
        }
        const double slack = platecam::D(0.02);
        // A character the font has no glyph for prints as an empty box: a fault like a cut.
        if (overflows_) {
            const QFontMetricsF metrics(font, &writer_);
            for (const char32_t c : plot::Drawable(text).toUcs4()) {
                if (c > ' ' && !metrics.inFontUcs4(c)) {
                    overflows_->push_back({page, "no glyph for U+" + QString::number(c, 16).toUpper().toStdString() +
                                                     " in: " + text.toStdString(), 0, 0, w, h});
                }
            }
        }
        if (overflows_ && !box.adjusted(-slack, -slack, slack, slack).contains(used)) {
            overflows_->push_back({page, text.toStdString(), platecam::Mm(used.width()),
                                   platecam::Mm(used.height()), w, h});
        }
        if (clashes_) {
            texts_.push_back({page, QRectF(platecam::Mm(used.x()), platecam::Mm(used.y()),
                                           platecam::Mm(used.width()), platecam::Mm(used.height())),
                              text.toStdString()});
        }
    }

    void Drawn(const std::vector<QPointF>& points, const QRectF& clip, bool bounded) override {
        if (!drawing || !clashes_ || points.empty()) return;
        lines_.push_back({page, points, clip});
        if (!bounded || clip.isEmpty()) return;
        const QRectF room = clip.adjusted(-0.05, -0.05, 0.05, 0.05);
        for (const QPointF& q : points) {
            if (!std::isfinite(q.x()) || !std::isfinite(q.y()) || !room.contains(q)) {
                clashes_->push_back({page, ReportClashKind::LineOffAxes, "", "", q.x(), q.y()});
                return;
            }
        }
    }

    void Covered(const QRectF& box) override {
        if (drawing && clashes_) covered_.push_back({page, box, ""});
    }

    // After the last page: every text drawn over a line or over another text.
    void FindClashes() {
        if (!clashes_) return;
        // The box a text is set in is a little taller and wider than its ink.
        auto ink = [](const QRectF& r) { return r.adjusted(0.15, 0.25, -0.15, -0.25); };
        for (std::size_t i = 0; i < texts_.size(); ++i) {
            const Placed& a = texts_[i];
            for (std::size_t j = i + 1; j < texts_.size(); ++j) {
                const Placed& b = texts_[j];
                if (a.page == b.page && ink(a.box).intersects(ink(b.box))) {
                    clashes_->push_back({a.page, ReportClashKind::TextOnText, a.text, b.text,
                                         a.box.x(), a.box.y()});
                }
            }
            const bool onCover = std::any_of(covered_.begin(), covered_.end(), [&](const Placed& c) {
                return c.page == a.page && c.box.adjusted(-0.05, -0.05, 0.05, 0.05).contains(ink(a.box));
            });
            for (const Line& line : lines_) {
                if (onCover) break;
                if (line.page == a.page && plot::LineMeets(line.points, ink(a.box), line.clip)) {
                    clashes_->push_back({a.page, ReportClashKind::TextOnLine, a.text, "", a.box.x(),
                                         a.box.y()});
                    break;
                }
            }
        }
    }

    // Height (mm) of the text wrapped to `w` mm.
    double Height(const QString& text, const QFont& font, double w) const {
        if (text.isEmpty()) return 0;
        const QFontMetricsF metrics(font, &writer_);
        return Mm(metrics.boundingRect(R(0, 0, w, 1000), 0, Lines(text, font, w)).height());
    }

    // The text in lines that fit `w` mm, broken only where the language allows.
    QString Lines(const QString& text, const QFont& font, double w) const {
        const QFontMetricsF metrics(font, &writer_);
        return Broken(plot::Drawable(text), w, [&](const QString& line) { return Mm(metrics.horizontalAdvance(line)); });
    }

    double Width(const QString& text, const QFont& font) const {
        return Mm(QFontMetricsF(font, &writer_).horizontalAdvance(plot::Drawable(text)));
    }

    // The font of `points` on one line in `width` mm, made smaller down to `least` points
    // for a long text (a long file name, a long material).
    QFont Fitted(const QString& text, double points, double least, double width,
                 bool bold = false) const {
        while (points > least && Width(text, Font(points, bold)) > width) points -= 0.5;
        return Font(points, bold);
    }

    // Draws `text` in the box (mm) on one line, its type made smaller from `points` down
    // to `least` for a long text; one longer still (a long file name) in as many lines as
    // the box's height holds, in type down to `smallest`.
    void Shrunk(double x, double y, double w, double h, const QString& text, double points,
                double least, double smallest, bool bold = false, const QColor& colour = Qt::black) {
        QFont font = Fitted(text, points, least, w, bold);
        if (Width(text, font) <= w) {
            Text(x, y, w, h, text, font, Qt::AlignLeft | Qt::AlignVCenter, colour);
            return;
        }
        for (double size = least; size >= smallest; size -= 0.5) {
            font = Font(size, bold);
            if (Height(text, font, w) <= h) break;
        }
        Text(x, y, w, h, text, font, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, colour);
    }

    QString PageNumber(const std::string& pattern) const {
        return Q(pattern)
            .replace(QStringLiteral("%1"), QString::number(page))
            .replace(QStringLiteral("%2"), QString::number(pages));
    }

  private:
    QPdfWriter& writer_;
    std::vector<ReportOverflow>* overflows_;
    std::vector<ReportClash>* clashes_;
    struct Placed {
        int page;
        QRectF box;  // mm
        std::string text;
    };
    struct Line {
        int page;
        std::vector<QPointF> points;
        QRectF clip;
    };
    std::vector<Placed> texts_;
    std::vector<Line> lines_;
    std::vector<Placed> covered_;
};

// ---------------------------------------------------------------- tables

struct Column {
    double width;
    bool right = false;
};

struct Row {
    std::vector<QString> cells;
    std::vector<QColor> colours;  // per cell; black where missing
    std::vector<bool> bold;       // per cell
    QString below;                // a line under the row, from the second column on
    QColor belowColour = Qt::black;
};

constexpr double CellPad = 1;  // mm either side of a cell's text

// The page-1 flow: a cursor down the page that starts a continuation page when the next
// piece does not fit.
struct Flow {
    Sheet& sheet;
    const ReportInput& in;
    double y = Top;
    double limit = Bottom;

    void PageHeading() {
        sheet.Shrunk(Margin, Top, 150, 8, Q(in.title), 12, 9, 6.5, true);
        sheet.Text(Margin + 150, Top, PageWidth - 2 * Margin - 150, 8,
                   sheet.PageNumber(in.pageNumber), Font(8), Qt::AlignRight | Qt::AlignVCenter);
        y = Top + 11;
    }

    // Makes room for `height` mm; true when a new page was started.
    bool Room(double height) {
        if (y + height <= limit) return false;
        sheet.NewPage();
        limit = Bottom;
        PageHeading();
        return true;
    }
};

double RowHeight(const Sheet& s, const std::vector<Column>& columns, const Row& row,
                 const QFont& font, const QFont& boldFont) {
    double h = 0;
    for (std::size_t k = 0; k < columns.size() && k < row.cells.size(); ++k) {
        const bool bold = k < row.bold.size() && row.bold[k];
        h = std::max(
            h, s.Height(row.cells[k], bold ? boldFont : font, columns[k].width - 2 * CellPad));
    }
    if (!row.below.isEmpty()) {
        double w = 0;
        for (std::size_t k = 1; k < columns.size(); ++k) w += columns[k].width;
        h += s.Height(row.below, font, w - 2 * CellPad) + 0.4;
    }
    return h + 2 * s.density.rowPad;
}

void DrawRow(Sheet& s, const std::vector<Column>& columns, const Row& row, double y, double height,
             const QFont& font, const QFont& boldFont, bool header, double left = Margin) {
    double x = left;
    double belowHeight = 0;
    double belowWidth = 0;
    for (std::size_t k = 1; k < columns.size(); ++k) belowWidth += columns[k].width;
    if (!row.below.isEmpty())
        belowHeight = s.Height(row.below, font, belowWidth - 2 * CellPad) + 0.4;
    const double cellsHeight = height - belowHeight;
    for (std::size_t k = 0; k < columns.size() && k < row.cells.size(); ++k) {
        const bool bold = k < row.bold.size() && row.bold[k];
        const QColor colour = k < row.colours.size() ? row.colours[k] : QColor(Qt::black);
        const int align = (columns[k].right ? Qt::AlignRight : Qt::AlignLeft) |
                          (header ? Qt::AlignBottom : Qt::AlignTop);
        s.Text(x + CellPad, y + s.density.rowPad, columns[k].width - 2 * CellPad,
               cellsHeight - 2 * s.density.rowPad, row.cells[k], bold ? boldFont : font,
               align | Qt::TextWordWrap, colour);
        x += columns[k].width;
    }
    if (!row.below.isEmpty()) {
        s.Text(left + columns[0].width + CellPad, y + cellsHeight - s.density.rowPad + 0.4,
               belowWidth - 2 * CellPad, belowHeight - 0.4, row.below, font,
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, row.belowColour);
    }
    if (s.drawing) {
        double width = 0;
        for (const Column& c : columns) width += c.width;
        s.p.setPen(Pen(header ? 0.2 : 0.1, header ? QColor(Qt::black) : Rule));
        s.p.drawLine(P(left, y + height), P(left + width, y + height));
    }
}

// A headed table in the flow, split over pages between rows with the header repeated.
void FlowTable(Flow& f, const std::string& heading, const std::vector<Column>& columns,
               const Row& header, const std::vector<Row>& rows, const QFont& font,
               const QFont& boldFont) {
    Sheet& s = f.sheet;
    const QFont headingFont = Font(10, true);
    const double headingHeight = 6.5;
    const double headerHeight = RowHeight(s, columns, header, boldFont, boldFont);
    auto start = [&](bool continued) {
        const QString text = continued ? Q(heading) + " " + Q(f.in.continued) : Q(heading);
        s.Text(Margin, f.y, PageWidth - 2 * Margin, headingHeight - 1, text, headingFont);
        f.y += headingHeight;
        DrawRow(s, columns, header, f.y, headerHeight, boldFont, boldFont, true);
        f.y += headerHeight;
    };
    // The heading stays with the header and the first row.
    const double first = rows.empty() ? 0 : RowHeight(s, columns, rows.front(), font, boldFont);
    f.Room(headingHeight + headerHeight + first);
    start(false);
    for (const Row& row : rows) {
        const double h = RowHeight(s, columns, row, font, boldFont);
        if (f.Room(h)) start(true);
        DrawRow(s, columns, row, f.y, h, font, boldFont, false);
        f.y += h;
    }
}

// Label and value pairs, the labels in grey; returns the y below.
double FieldTable(Sheet& s, double x, double y, double labelWidth, double valueWidth,
                  const std::vector<ReportField>& fields) {
    const QFont font = Font(s.density.fieldPoints);
    for (const ReportField& field : fields) {
        const QString label = Q(field.label), value = Q(field.value);
        const double h = std::max(s.Height(label, font, labelWidth - 2 * CellPad),
                                  s.Height(value, font, valueWidth - 2 * CellPad)) +
                         2 * s.density.rowPad;
        s.Text(x + CellPad, y + s.density.rowPad, labelWidth - 2 * CellPad,
               h - 2 * s.density.rowPad, label, font,
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Grey);
        s.Text(x + labelWidth + CellPad, y + s.density.rowPad, valueWidth - 2 * CellPad,
               h - 2 * s.density.rowPad, value, font,
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
        y += h;
        if (s.drawing) {
            s.p.setPen(Pen(0.1, Rule));
            s.p.drawLine(P(x, y), P(x + labelWidth + valueWidth, y));
        }
    }
    return y;
}

// ---------------------------------------------------------------- the cam figure

// A closed polygon of `n` sides round a circle (mm), for the drawing's checks.
std::vector<QPointF> Circle(QPointF centre, double r, int n = 48) {
    std::vector<QPointF> points;
    for (int k = 0; k <= n; ++k) {
        const double a = 2 * Pi * k / n;
        points.push_back(centre + QPointF(r * std::cos(a), r * std::sin(a)));
    }
    return points;
}

std::vector<QPointF> Box(const QRectF& r) {
    return {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft(), r.topLeft()};
}

void DrawFigure(Sheet& s, const ReportFigure& fig, double x, double y, double side) {
    QPainter& p = s.p;
    const QRectF frame(x, y, side, side);
    if (s.drawing) {
        p.setBrush(Qt::NoBrush);
        p.setPen(Pen(0.1, QColor(180, 180, 180)));
        p.drawRect(R(x, y, side, side));
    }
    const QFont scaleFont = Font(9, true);
    s.Text(x + 1.5, y + 1, side / 2, 5, Q(fig.scaleText), scaleFont);
    if (fig.contour.empty()) {
        s.Text(x + 5, y + side / 2 - 15, side - 10, 30, Q(fig.missing), Font(9),
               Qt::AlignCenter | Qt::TextWordWrap);
        return;
    }
    const double f = fig.scale;
    const double cx = x + side / 2 - fig.view.x * f, cy = y + side / 2 + fig.view.y * f;
    // A point of the cam's frame on the paper, mm.
    auto mm = [&](ReportPoint q) { return QPointF(cx + q.x * f, cy - q.y * f); };
    auto dev = [&](QPointF q) { return P(q.x(), q.y()); };
    auto at = [&](ReportPoint q) { return dev(mm(q)); };
    // A point at cam angle `deg` (clockwise from +y) and `r` mm of paper from the centre.
    auto polar = [&](double deg, double r) {
        const double a = deg * Pi / 180;
        return std::pair<double, double>{cx + r * std::sin(a), cy - r * std::cos(a)};
    };
    const double rb = fig.baseRadius * f;
    double reach = rb;
    for (const ReportPoint& q : fig.contour) reach = std::max(reach, std::hypot(q.x, q.y) * f);
    for (const ReportPoint& q : fig.pitch) reach = std::max(reach, std::hypot(q.x, q.y) * f);

    // Everything drawn, mm of the paper: the rotation's arrow and its label keep clear of it.
    std::vector<std::vector<QPointF>> drawn;
    auto loopOf = [&](const std::vector<ReportPoint>& points) {
        std::vector<QPointF> line;
        for (const ReportPoint& q : points) line.push_back(mm(q));
        if (!line.empty()) line.push_back(line.front());
        return line;
    };
    const std::vector<QPointF> contour = loopOf(fig.contour), pitch = loopOf(fig.pitch);
    drawn.push_back(contour);
    if (!pitch.empty()) drawn.push_back(pitch);
    const QPointF centre(cx, cy);
    drawn.push_back(Circle(centre, rb));
    drawn.push_back({QPointF(cx - 4, cy), QPointF(cx + 4, cy)});
    drawn.push_back({QPointF(cx, cy - 4), QPointF(cx, cy + 4)});
    for (const ReportFigure::Mark& mark : fig.angleMarks) {
        const auto [x0, y0] = polar(mark.angleDeg, rb - 1.3);
        const auto [x1, y1] = polar(mark.angleDeg, rb + 1.3);
        drawn.push_back({QPointF(x0, y0), QPointF(x1, y1)});
    }
    if (fig.boreDiameter) drawn.push_back(Circle(centre, *fig.boreDiameter / 2 * f));
    const QPointF c = mm(fig.rollerCentre);
    const double rr = fig.rollerRadius * f;
    const QPointF pivot = mm(fig.pivot);
    const double half = std::clamp(0.45 * rr, 1.0, 3.0);
    const QPointF faceFrom = mm({fig.faceFrom, fig.faceY}), faceTo = mm({fig.faceTo, fig.faceY});
    // The ground the arm turns on: its lines from the pivot, mm.
    std::vector<std::pair<QPointF, QPointF>> ground = {{{-2.5, 2.6}, {2.5, 2.6}},
                                                       {{-1.1, 0.7}, {-1.8, 2.6}},
                                                       {{1.1, 0.7}, {1.8, 2.6}}};
    for (int k = 0; k < 5; ++k) ground.push_back({{-2.0 + k, 2.6}, {-2.8 + k, 3.6}});
    switch (fig.follower) {
        case ReportFollower::Roller:
            drawn.push_back(Box(QRectF(QPointF(c.x() - half, y - 1), QPointF(c.x() + half, c.y()))));
            drawn.push_back(Circle(c, rr));
            break;
        case ReportFollower::Flat:
            drawn.push_back(Box(QRectF(QPointF(cx - 3, y - 1), QPointF(cx + 3, faceFrom.y()))));
            drawn.push_back({faceFrom, faceTo});
            break;
        case ReportFollower::SwingRoller:
            drawn.push_back({pivot, c});
            drawn.push_back(Circle(c, rr));
            drawn.push_back(Circle(pivot, 1.3, 16));
            for (const auto& [a, b] : ground) drawn.push_back({pivot + a, pivot + b});
            break;
        case ReportFollower::None:
            break;
    }
    // The scale bar, bottom left, and the scale above.
    const double bx = x + 3, by = y + side - 4, bar = fig.scaleBar * f;
    const QFont barFont = Font(7);
    drawn.push_back({QPointF(bx, by), QPointF(bx + bar, by)});
    const QRectF barText(bx, by - 5, std::min(30.0, s.Width(Q(fig.scaleBarText), barFont) + 0.5), 4);
    const QRectF scaleText(x + 1.5, y + 1, std::min(side / 2, s.Width(Q(fig.scaleText), scaleFont) + 0.5), 5);

    // The angle numbers inside the base circle; on a small one only the quarters, and
    // only those clear of the centre mark and the cam's lines.
    const bool allNumbers = rb >= 13;
    std::vector<QRectF> numbers;
    const QFont numberFont = Font(6);
    for (const ReportFigure::Mark& mark : fig.angleMarks) {
        if (rb >= 8 && (allNumbers || std::fmod(mark.angleDeg, 90) == 0)) {
            const auto [tx, ty] = polar(mark.angleDeg, rb - 4.2);
            const double w = s.Width(Q(mark.text), numberFont) + 0.4;
            const QRectF box(tx - w / 2, ty - 1.3, w, 2.6);
            if (std::any_of(drawn.begin(), drawn.end(),
                            [&](const std::vector<QPointF>& line) { return plot::LineMeets(line, box); }))
                continue;
            s.Text(tx - 5, ty - 1.6, 10, 3.2, Q(mark.text), numberFont, Qt::AlignCenter, Grey);
            numbers.push_back(box);
        }
    }

    // The cam's turn: an arc around it, counter-clockwise, with its label beside; lower
    // right where that is clear of the rest, else where it is.
    const QFont rotationFont = Font(6.5);
    const double labelWidth = s.Width(Q(fig.rotationText), rotationFont) + 0.6, labelHeight = 3.5;
    const QRectF inside = frame.adjusted(1, 1, -1, -1);
    std::vector<QRectF> blocked = {barText, scaleText};
    blocked.insert(blocked.end(), numbers.begin(), numbers.end());
    auto clear = [&](const std::vector<QPointF>& line) {
        for (const QPointF& q : line) {
            if (!inside.contains(q)) return false;
        }
        for (const QRectF& b : blocked) {
            if (plot::LineMeets(line, b)) return false;
        }
        for (const auto& other : drawn) {
            for (std::size_t k = 0; k + 1 < line.size(); ++k) {
                if (plot::LineMeets(other, QRectF(line[k], line[k + 1]).normalized().adjusted(-0.6, -0.6, 0.6, 0.6)))
                    return false;
            }
        }
        return true;
    };
    const double ra = reach + 2.5;
    auto arcOf = [&](double from) {
        std::vector<QPointF> arc;
        for (int k = 0; k <= 30; ++k) {
            const double a = (from + 45.0 * k / 30) * Pi / 180;
            arc.emplace_back(cx + ra * std::cos(a), cy - ra * std::sin(a));
        }
        return arc;
    };
    double from = -70;
    QRectF label;
    bool placed = false;
    for (const double start : {-70.0, -160.0, -115.0, -25.0, 110.0, 20.0, 65.0, 155.0, -205.0}) {
        const std::vector<QPointF> arc = arcOf(start);
        if (!clear(arc)) continue;
        // The label outside the arc's middle, or beyond either end.
        std::vector<QRectF> candidates;
        for (const double along : {22.5, 45.0, 0.0}) {
            const double a = (start + along) * Pi / 180;
            for (const double out : {2.0, 4.0, 7.0}) {
                const QPointF q(cx + (ra + out) * std::cos(a), cy - (ra + out) * std::sin(a));
                const double lx = std::cos(a) >= 0 ? q.x() : q.x() - labelWidth;
                const double ly = std::sin(a) <= 0 ? q.y() : q.y() - labelHeight;
                candidates.emplace_back(lx, ly, labelWidth, labelHeight);
            }
        }
        std::vector<std::vector<QPointF>> lines = drawn;
        lines.push_back(arc);
        const QRectF free = plot::FreePlace(candidates, inside, lines, blocked);
        const bool fits = !free.isEmpty() && inside.contains(free) &&
                          std::none_of(lines.begin(), lines.end(),
                                       [&](const std::vector<QPointF>& l) { return plot::LineMeets(l, free); }) &&
                          std::none_of(blocked.begin(), blocked.end(),
                                       [&](const QRectF& b) { return b.intersects(free); });
        if (fits) {
            from = start;
            label = free;
            placed = true;
            break;
        }
    }
    const std::vector<QPointF> arc = arcOf(from);
    if (!placed) {
        const double a = (from + 22.5) * Pi / 180;
        label = QRectF(cx + (ra + 2) * std::cos(a), cy - (ra + 2) * std::sin(a), labelWidth, labelHeight);
    }

    if (s.drawing) {
        p.save();
        p.setClipRect(R(x, y, side, side));
        p.setBrush(Qt::NoBrush);
        p.setPen(Pen(0.1, Grey));
        p.drawEllipse(at({0, 0}), D(rb), D(rb));
        for (const ReportFigure::Mark& mark : fig.angleMarks) {
            const auto [x0, y0] = polar(mark.angleDeg, rb - 1.3);
            const auto [x1, y1] = polar(mark.angleDeg, rb + 1.3);
            p.setPen(Pen(0.15, Grey));
            p.drawLine(P(x0, y0), P(x1, y1));
        }
        auto loop = [&](const std::vector<QPointF>& points) {
            QPainterPath path;
            for (std::size_t i = 0; i < points.size(); ++i) {
                if (i == 0)
                    path.moveTo(dev(points[i]));
                else
                    path.lineTo(dev(points[i]));
            }
            p.drawPath(path);
        };
        if (!pitch.empty()) {
            p.setPen(Pen(0.2, QColor(0, 90, 170), Qt::DashLine));
            loop(pitch);
        }
        p.setPen(Pen(0.4));
        loop(contour);
        if (fig.boreDiameter) {
            p.setPen(Pen(0.3));
            p.drawEllipse(at({0, 0}), D(*fig.boreDiameter / 2 * f), D(*fig.boreDiameter / 2 * f));
        }
        // The centre mark.
        p.setPen(Pen(0.15));
        p.drawLine(P(cx - 4, cy), P(cx + 4, cy));
        p.drawLine(P(cx, cy - 4), P(cx, cy + 4));

        // The follower at cam angle 0: its stem leaves the figure upwards.
        p.setPen(Pen(0.25, Follower));
        switch (fig.follower) {
            case ReportFollower::Roller: {
                p.setBrush(Qt::white);
                p.drawRect(QRectF(P(c.x() - half, y - 1), P(c.x() + half, c.y())));
                p.drawEllipse(dev(c), D(rr), D(rr));
                p.setBrush(Follower);
                p.drawEllipse(dev(c), D(0.4), D(0.4));
                break;
            }
            case ReportFollower::Flat: {
                p.setBrush(Qt::white);
                p.drawRect(QRectF(P(cx - 3, y - 1), P(cx + 3, faceFrom.y())));
                p.setPen(Pen(0.6, Follower));
                p.drawLine(dev(faceFrom), dev(faceTo));
                break;
            }
            case ReportFollower::SwingRoller: {
                p.setPen(Pen(1.2, Follower));
                p.drawLine(dev(pivot), dev(c));
                p.setPen(Pen(0.25, Follower));
                p.setBrush(Qt::white);
                p.drawEllipse(dev(c), D(rr), D(rr));
                p.drawEllipse(dev(pivot), D(1.3), D(1.3));
                p.setPen(Pen(0.2, Follower));
                for (const auto& [a, b] : ground) p.drawLine(dev(pivot + a), dev(pivot + b));
                break;
            }
            case ReportFollower::None:
                break;
        }
        p.setBrush(Qt::NoBrush);

        QPainterPath path;
        for (std::size_t k = 0; k < arc.size(); ++k) {
            if (k == 0)
                path.moveTo(dev(arc[k]));
            else
                path.lineTo(dev(arc[k]));
        }
        p.setPen(Pen(0.3));
        p.drawPath(path);
        const double a = (from + 45) * Pi / 180;
        const QPointF tip = dev(arc.back());
        const QPointF along(-std::sin(a), -std::cos(a));  // direction of travel on paper
        const QPointF across(std::cos(a), -std::sin(a));  // outwards on paper
        QPolygonF head;
        head << tip + along * D(1.6) << tip + across * D(0.9) << tip - across * D(0.9);
        p.setBrush(Qt::black);
        p.drawPolygon(head);
        p.setBrush(Qt::NoBrush);
        p.restore();
    }
    // What the checks of the drawing see: the cam's curves stay in the figure.
    s.Drawn(contour, frame, true);
    if (!pitch.empty()) s.Drawn(pitch, frame, true);
    for (std::size_t k = 2; k < drawn.size(); ++k) s.Drawn(drawn[k], frame, false);
    s.Drawn(arc, frame, false);
    s.Text(label.x(), label.y(), label.width(), label.height(), Q(fig.rotationText), rotationFont,
           Qt::AlignCenter);
    if (s.drawing) {
        p.setPen(Pen(0.3));
        p.drawLine(P(bx, by), P(bx + bar, by));
        p.drawLine(P(bx, by - 1), P(bx, by + 1));
        p.drawLine(P(bx + bar, by - 1), P(bx + bar, by + 1));
    }
    s.Text(bx, by - 5, 30, 4, Q(fig.scaleBarText), barFont);
}

// ---------------------------------------------------------------- charts

void ChartPage(Sheet& s, const ReportInput& in, const ReportChartPage& page) {
    s.NewPage();
    s.Shrunk(Margin, Top - 4, 160, 8, Q(page.heading), 12, 9, 6.5, true);
    s.Text(Margin + 160, Top - 4, PageWidth - 2 * Margin - 160, 8, s.PageNumber(in.pageNumber),
           Font(8), Qt::AlignRight | Qt::AlignVCenter);
    // Six charts fill the page; fewer share its height.
    const double x = 35, w = PageWidth - Margin - x, gap = 11.5, top = 26;
    const double room = 6 * 33 + 5 * gap;
    const auto n = static_cast<double>(std::max<std::size_t>(page.charts.size(), 1));
    const double h = (room - (n - 1) * gap) / n;
    double y = top;
    for (const ReportChart& chart : page.charts) {
        plot::DrawChart(s, page.x, page.boundaries, chart, x, y, w, h);
        y += h + gap;
    }
    s.Text(x, y - gap + 4, w, 4, Q(page.footnote), Font(8), Qt::AlignCenter);
}

// One figure against the speed: the chart of a revolution's look (grid, ticks, reference
// lines, shading), its x the speeds swept, a dot at every speed computed (few, and coarse).
void SpeedChart(Sheet& s, const std::vector<double>& rpm, const ReportChart& chart, double x, double y,
                double w, double h, bool speedLabels) {
    QPainter& p = s.p;
    const plot::ChartRange range = plot::RangeOf(chart);
    const double lo = range.low, hi = range.high;
    double from = rpm.empty() ? 0 : rpm.front(), to = rpm.empty() ? 1 : rpm.back();
    if (!(to > from)) {
        from -= 1;
        to += 1;
    }
    auto px = [&](double speed) { return x + (speed - from) / (to - from) * w; };
    auto py = [&](double value) { return y + h - (value - lo) / (hi - lo) * h; };
    s.Text(x, y - 5, w, 5, Q(chart.title), Font(8, true));
    if (s.drawing) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 214, 214));
        for (const auto& [a, b] : chart.bands) p.drawRect(QRectF(P(px(a), y), P(px(b), y + h)));
        p.setBrush(Qt::NoBrush);
    }
    const double speedStep = plot::NiceStep(to - from, 6);
    for (double v = std::ceil(from / speedStep - 1e-9) * speedStep; v <= to + speedStep * 1e-6; v += speedStep) {
        if (s.drawing) {
            p.setPen(Pen(0.05, QColor(200, 200, 200)));
            p.drawLine(P(px(v), y), P(px(v), y + h));
        }
        if (speedLabels) s.Text(px(v) - 8, y + h + 0.5, 16, 3.5, plot::TickText(v, speedStep), Font(6.5), Qt::AlignCenter);
    }
    for (double v = lo; v <= hi + range.step * 1e-6; v += range.step) {
        if (s.drawing) {
            p.setPen(Pen(0.05, QColor(200, 200, 200)));
            p.drawLine(P(x, py(v)), P(x + w, py(v)));
        }
        s.Text(x - 16, py(v) - 1.75, 15, 3.5, plot::TickText(v, range.step), Font(6.5), Qt::AlignRight | Qt::AlignVCenter);
    }
    // The curve in pieces between the gaps, mm of the page; a dot is a piece of its own.
    std::vector<std::vector<QPointF>> curve, dots;
    bool open = false;
    for (std::size_t i = 0; i < chart.y.size() && i < rpm.size(); ++i) {
        if (!chart.y[i] || !std::isfinite(*chart.y[i])) {
            open = false;
            continue;
        }
        const QPointF point(px(rpm[i]), py(*chart.y[i]));
        if (!open) curve.emplace_back();
        curve.back().push_back(point);
        dots.push_back(Circle(point, 0.5, 8));
        open = true;
    }
    const QRectF axes(x, y, w, h);
    std::vector<std::vector<QPointF>> obstacles = curve;
    obstacles.insert(obstacles.end(), dots.begin(), dots.end());
    plot::DrawReferenceLines(s, chart.lines, chart.title, axes, py, obstacles);
    for (const std::vector<QPointF>& piece : curve) s.Drawn(piece, axes, true);
    if (!s.drawing) return;
    p.save();
    p.setClipRect(R(x, y, w, h));
    const QColor ink(20, 20, 160);
    QPainterPath path;
    for (const std::vector<QPointF>& piece : curve) {
        path.moveTo(P(piece.front().x(), piece.front().y()));
        for (std::size_t k = 1; k < piece.size(); ++k) path.lineTo(P(piece[k].x(), piece[k].y()));
    }
    p.setPen(Pen(0.25, ink));
    p.drawPath(path);
    p.setBrush(ink);
    for (const std::vector<QPointF>& piece : curve) {
        for (const QPointF& q : piece) p.drawEllipse(P(q.x(), q.y()), D(0.5), D(0.5));
    }
    p.setBrush(Qt::NoBrush);
    p.restore();
    p.setPen(Pen(0.15));
    p.drawRect(R(x, y, w, h));
}

// The figures of a sweep of speeds, the charts sharing the page's height.
void SpeedPage(Sheet& s, const ReportInput& in, const ReportSpeedPage& page) {
    s.NewPage();
    s.Shrunk(Margin, Top - 4, 160, 8, Q(page.heading), 12, 9, 6.5, true);
    s.Text(Margin + 160, Top - 4, PageWidth - 2 * Margin - 160, 8, s.PageNumber(in.pageNumber),
           Font(8), Qt::AlignRight | Qt::AlignVCenter);
    const double x = 35, w = PageWidth - Margin - x, gap = 14, top = 26;
    const double room = 6 * 33 + 5 * 11.5;
    const auto n = static_cast<double>(std::max<std::size_t>(page.charts.size(), 1));
    const double h = (room - (n - 1) * gap) / n;
    double y = top;
    for (const ReportChart& chart : page.charts) {
        SpeedChart(s, page.rpm, chart, x, y, w, h, true);
        y += h + gap;
    }
    s.Text(Margin, y - gap + 5, PageWidth - 2 * Margin, 12, Q(page.footnote), Font(8),
           Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
}

// The design chart: a square plane of designs, its key under it.
void DesignChartPage(Sheet& s, const ReportInput& in, const ReportDesignChart& chart) {
    s.NewPage();
    s.Shrunk(Margin, Top - 4, 160, 8, Q(chart.heading), 12, 9, 6.5, true);
    s.Text(Margin + 160, Top - 4, PageWidth - 2 * Margin - 160, 8, s.PageNumber(in.pageNumber),
           Font(8), Qt::AlignRight | Qt::AlignVCenter);
    const double x = 35, w = PageWidth - Margin - x, top = 32;
    plot::DrawDesignPlane(s, chart, x, top, w, w);
    const double noteTop = top + w + 13;
    s.Text(Margin, noteTop, PageWidth - 2 * Margin, Bottom - noteTop, Q(chart.footnote), Font(8),
           Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Grey);
}

// ---------------------------------------------------------------- the coordinates

// The contour's coordinates on the last pages. The four columns are narrow, so they stand
// side by side in as many blocks as the width takes, read down each block and then
// across: a revolution at the usual step then fits one page. The last page shares its rows
// evenly between the blocks. Returns the pages used, none without rows.
int CoordinatePages(Sheet& s, const ReportInput& in) {
    const ReportTable& table = in.coordinates;
    if (table.rows.empty() || table.header.empty()) return 0;
    // Every row is one line of figures: the rows as close as page 1's densest tables.
    s.density = Sheet::Compact;
    const QFont font = Font(7.5), bold = Font(7.5, true);
    const double width = PageWidth - 2 * Margin, gap = 6;

    // Each column as wide as its widest figure or header word, the unit under the name.
    const std::size_t n = table.header.size();
    std::vector<Column> columns(n, Column{0});
    Row header;
    for (std::size_t k = 0; k < n; ++k) {
        const QString text =
            Q(table.header[k]).replace(QStringLiteral(" ["), QStringLiteral("\n["));
        header.cells.push_back(text);
        header.bold.push_back(true);
        for (const QString& word : text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts))
            columns[k].width = std::max(columns[k].width, s.Width(word, bold));
        columns[k].right = k < table.rightAligned.size() && table.rightAligned[k];
    }
    std::vector<Row> rows;
    rows.reserve(table.rows.size());
    for (const std::vector<std::string>& cells : table.rows) {
        Row row;
        for (std::size_t k = 0; k < cells.size() && k < n; ++k) {
            row.cells.push_back(Q(cells[k]));
            columns[k].width = std::max(columns[k].width, s.Width(row.cells.back(), font));
        }
        rows.push_back(std::move(row));
    }
    // Room between neighbouring figures, then the blocks spread over the page's width.
    double natural = 0;
    for (Column& c : columns) {
        c.width += 2 * CellPad + 0.5;
        natural += c.width;
    }
    const int blocks = std::max(1, static_cast<int>(std::floor((width + gap) / (natural + gap))));
    const double blockWidth = (width - (blocks - 1) * gap) / blocks;
    for (Column& c : columns) c.width *= blockWidth / natural;

    const double headerHeight = RowHeight(s, columns, header, bold, bold);
    const double rowHeight = RowHeight(s, columns, rows.front(), font, bold);
    const QFont headingFont = Font(10, true), noteFont = Font(7);
    const double headingHeight = 6.5;
    Flow f{s, in};
    std::size_t next = 0;
    int pages = 0;
    while (next < rows.size()) {
        s.NewPage();
        ++pages;
        f.PageHeading();
        const QString heading = pages == 1 ? Q(in.coordinatesHeading)
                                           : Q(in.coordinatesHeading) + " " + Q(in.continued);
        s.Text(Margin, f.y, width, headingHeight - 1, heading, headingFont);
        f.y += headingHeight;
        if (pages == 1) {
            const double h = s.Height(Q(in.coordinatesNote), noteFont, width);
            s.Text(Margin, f.y, width, h, Q(in.coordinatesNote), noteFont,
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Grey);
            f.y += h + 2.5;
        }
        const auto room = static_cast<std::size_t>(
            std::max(1.0, std::floor((Bottom - f.y - headerHeight) / rowHeight)));
        const std::size_t left = rows.size() - next;
        const std::size_t perBlock = std::min(room, (left + blocks - 1) / blocks);
        for (int b = 0; b < blocks && next < rows.size(); ++b) {
            const double x = Margin + b * (blockWidth + gap);
            DrawRow(s, columns, header, f.y, headerHeight, bold, bold, true, x);
            double y = f.y + headerHeight;
            for (std::size_t i = 0; i < perBlock && next < rows.size(); ++i, ++next) {
                DrawRow(s, columns, rows[next], y, rowHeight, font, bold, false, x);
                y += rowHeight;
            }
        }
    }
    return pages;
}

// ---------------------------------------------------------------- page 1

// A drawing's title block across the foot of the page: a label above each value, the
// value's type made smaller where it would not fit. The first column, the design's name
// (its file's), is the widest: a long name still shows whole.
void TitleBlock(Sheet& s, const std::vector<ReportField>& fields, double y) {
    const int perRow = 4;
    const double width = PageWidth - 2 * Margin;
    const double columns[perRow] = {width / 3, width * 2 / 9, width * 2 / 9, width * 2 / 9};
    const int rows = static_cast<int>((fields.size() + perRow - 1) / perRow);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const std::size_t column = k % perRow;
        double cx = Margin;
        for (std::size_t c = 0; c < column; ++c) cx += columns[c];
        const double cellWidth = columns[column];
        const double cy = y + static_cast<double>(k / perRow) * TitleBlockRow;
        s.Text(cx + 1, cy + 0.6, cellWidth - 2, 3.2, Q(fields[k].label), Font(6),
               Qt::AlignLeft | Qt::AlignVCenter, Grey);
        s.Shrunk(cx + 1, cy + 3.8, cellWidth - 2, TitleBlockRow - 4.3, Q(fields[k].value), 9.5, 7, 5.5);
    }
    if (!s.drawing) return;
    QPainter& p = s.p;
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(0.15));
    for (int r = 1; r < rows; ++r)
        p.drawLine(P(Margin, y + r * TitleBlockRow), P(Margin + width, y + r * TitleBlockRow));
    double cx = Margin;
    for (int c = 1; c < perRow; ++c) {
        cx += columns[c - 1];
        p.drawLine(P(cx, y), P(cx, y + rows * TitleBlockRow));
    }
    p.setPen(Pen(0.5));
    p.drawRect(R(Margin, y, width, rows * TitleBlockRow));
}

// The overall verdict, framed in its colour.
void ResultBox(Sheet& s, const ReportInput& in, double x, double y, double w, double h,
               const QFont& font) {
    const QColor colour = VerdictColour(in.resultKind);
    s.Text(x + 3, y + 2.5, w - 6, h - 5, Q(in.result), font,
           Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, colour);
    if (!s.drawing) return;
    s.p.setBrush(Qt::NoBrush);
    s.p.setPen(Pen(0.5, colour));
    s.p.drawRect(R(x, y, w, h));
}

// Page 1 and the pages its tables go on over; returns the pages used.
int FrontPages(Sheet& s, const ReportInput& in) {
    Flow f{s, in};
    const int titleRows = static_cast<int>((in.titleBlock.size() + 3) / 4);
    const double titleTop = Bottom - titleRows * TitleBlockRow;
    f.limit = titleTop - 3;
    TitleBlock(s, in.titleBlock, titleTop);
    f.PageHeading();

    // The figure with its legend, and the design data beside it.
    const double side = ReportFigureSide;
    const double top = f.y;
    if (s.drawing) DrawFigure(s, in.figure, Margin, top, side);
    const QFont legendFont = Font(7);
    const double legendHeight = s.Height(Q(in.figure.legend), legendFont, side);
    s.Text(Margin, top + side + 0.8, side, legendHeight, Q(in.figure.legend), legendFont,
           Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Grey);
    const double rightX = Margin + side + 5, rightWidth = PageWidth - Margin - rightX;
    s.Text(rightX, top, rightWidth, 5.5, Q(in.designHeading), Font(10, true));
    const double designBottom = FieldTable(s, rightX, top + 6.5, 31, rightWidth - 31, in.design);
    const double figureBottom = top + side + 0.8 + legendHeight;
    // The result in a box under the design data where there is room, else after the checks.
    const QFont resultFont = Font(10, true);
    const double resultHeight = s.Height(Q(in.result), resultFont, rightWidth - 6) + 5;
    const bool resultBeside = designBottom + 4 + resultHeight <= figureBottom;
    if (resultBeside)
        ResultBox(s, in, rightX, designBottom + 4, rightWidth, resultHeight, resultFont);
    f.y = std::max(figureBottom, resultBeside ? designBottom + 4 + resultHeight : designBottom) + 4;

    // The segments.
    const QFont font = Font(s.density.segmentPoints), bold = Font(s.density.segmentPoints, true);
    {
        const std::vector<Column> columns = {{6},  {14}, {14}, {13}, {12}, {16},
                                             {29}, {19}, {19}, {19}, {19}};
        Row header;
        for (std::size_t k = 0; k < in.segments.header.size(); ++k) {
            // The unit on a line of its own: a narrow column then breaks between words only.
            header.cells.push_back(
                Q(in.segments.header[k]).replace(QStringLiteral(" ["), QStringLiteral("\n[")));
            header.bold.push_back(true);
        }
        std::vector<Column> aligned = columns;
        for (std::size_t k = 0; k < aligned.size() && k < in.segments.rightAligned.size(); ++k) {
            aligned[k].right = in.segments.rightAligned[k];
        }
        std::vector<Row> rows;
        for (const auto& cells : in.segments.rows) {
            Row row;
            for (const std::string& cell : cells) row.cells.push_back(Q(cell));
            rows.push_back(row);
        }
        FlowTable(f, in.segmentsHeading, aligned, header, rows, font, bold);
        const QFont noteFont = Font(7);
        const double h = s.Height(Q(in.segmentsNote), noteFont, PageWidth - 2 * Margin);
        f.Room(h + 1);
        s.Text(Margin, f.y + 0.8, PageWidth - 2 * Margin, h, Q(in.segmentsNote), noteFont,
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Grey);
        f.y += h + 4;
    }

    // The checks, the verdict in its colour and the reason under the figures.
    {
        const QFont checkFont = Font(s.density.checkPoints),
                    checkBold = Font(s.density.checkPoints, true);
        const std::vector<Column> columns = {{42}, {82}, {32}, {24}};
        Row header;
        for (const std::string& cell : in.checksHeader) {
            header.cells.push_back(Q(cell));
            header.bold.push_back(true);
        }
        std::vector<Row> rows;
        for (const ReportCheck& check : in.checks) {
            Row row;
            row.cells = {Q(check.check), Q(check.value), Q(check.limit), Q(check.verdict)};
            const QColor colour = VerdictColour(check.kind);
            row.colours = {Qt::black, Qt::black, Qt::black, colour};
            row.bold = {false, false, false, check.kind == ReportVerdict::Fail};
            row.below = Q(check.reason);
            row.belowColour = check.kind == ReportVerdict::Fail ? colour : Grey;
            rows.push_back(row);
        }
        FlowTable(f, in.checksHeading, columns, header, rows, checkFont, checkBold);
    }
    {
        f.y += 3;
        if (!resultBeside) {
            const double width = PageWidth - 2 * Margin;
            const double h = s.Height(Q(in.result), resultFont, width - 6) + 5;
            f.Room(h + 1);
            ResultBox(s, in, Margin, f.y, width, h, resultFont);
            f.y += h + 2;
        }
        const QFont noteFont = Font(7.5);
        for (const std::string& note : in.notes) {
            const double nh = s.Height(Q(note), noteFont, PageWidth - 2 * Margin);
            f.Room(nh + 1);
            s.Text(Margin, f.y, PageWidth - 2 * Margin, nh, Q(note), noteFont,
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Grey);
            f.y += nh + 1;
        }
    }
    return s.page;
}

void EnsureApplication() {
    if (QCoreApplication::instance()) return;
    // No display is needed to draw a PDF; the application lives until the process ends.
    // Qt's notes about the session (no runtime folder, say) are not the user's concern.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "platecam-batch: %s\n", qPrintable(text));
        }
    });
    static int argc = 1;
    static char name[] = "platecam-batch";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

bool Render(const ReportInput& in, QByteArray& bytes, std::vector<ReportOverflow>* overflows,
            int& pages, std::string& error, std::vector<ReportClash>* clashes = nullptr) {
    EnsureApplication();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(Dpi);
    writer.setTitle(Q(in.title));
    writer.setCreator(QStringLiteral("platecam-batch"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        error = "the PDF could not be started";
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    // Count the pages first (every page says how many there are), at the density that
    // keeps page 1 to itself where one does.
    Sheet::Density density = Sheet::Normal;
    int front = 0;
    for (const Sheet::Density& d : {Sheet::Normal, Sheet::Medium, Sheet::Compact}) {
        Sheet measure(writer, painter, nullptr);
        measure.density = d;
        const int used = FrontPages(measure, in);
        if (front == 0 || used < front) {
            front = used;
            density = d;
        }
        if (used == 1) break;
    }
    Sheet measure(writer, painter, nullptr);
    const int coordinates = CoordinatePages(measure, in);
    Sheet sheet(writer, painter, overflows, clashes);
    sheet.density = density;
    sheet.drawing = true;
    sheet.pages = front + 1 + (in.dynamics ? 1 : 0) + (in.speeds ? 1 : 0) + (in.designChart ? 1 : 0) +
                  coordinates;
    FrontPages(sheet, in);
    ChartPage(sheet, in, in.motion);
    if (in.dynamics) ChartPage(sheet, in, *in.dynamics);
    if (in.speeds) SpeedPage(sheet, in, *in.speeds);
    if (in.designChart) DesignChartPage(sheet, in, *in.designChart);
    CoordinatePages(sheet, in);
    painter.end();
    sheet.FindClashes();
    pages = sheet.page;
    return true;
}

}  // namespace
}  // namespace platecam

namespace platecam {
namespace {

// No exception leaves the module: the program that loaded it may run another copy of the
// C++ runtime. What failed is said in `error` instead.
template <typename Action>
bool Caught(std::string& error, Action&& action) {
    try {
        return action();
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "the report could not be drawn";
    }
    return false;
}

}  // namespace
}  // namespace platecam

extern "C" bool platecam_render_report(const platecam::ReportInput& in, std::string& pdf,
                                       std::string& error) {
    return platecam::Caught(error, [&] {
        QByteArray bytes;
        int pages = 0;
        if (!platecam::Render(in, bytes, nullptr, pages, error)) return false;
        pdf.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        return true;
    });
}

extern "C" bool platecam_check_report_layout(const platecam::ReportInput& in,
                                             std::vector<platecam::ReportOverflow>& overflows,
                                             int& pages, std::string& error) {
    return platecam::Caught(error, [&] {
        QByteArray bytes;
        overflows.clear();
        return platecam::Render(in, bytes, &overflows, pages, error);
    });
}

extern "C" bool platecam_check_report_drawing(const platecam::ReportInput& in,
                                              std::vector<platecam::ReportOverflow>& overflows,
                                              std::vector<platecam::ReportClash>& clashes,
                                              int& pages, std::string& error) {
    return platecam::Caught(error, [&] {
        QByteArray bytes;
        overflows.clear();
        clashes.clear();
        return platecam::Render(in, bytes, &overflows, pages, error, &clashes);
    });
}
