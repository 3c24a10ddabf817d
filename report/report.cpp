// The design report: A4 pages drawn with QPainter on a QPdfWriter, vector and with
// embedded fonts. Loaded by platecam-batch only when a report is asked for.
//
// Page 1 holds the cam figure, the design data, the segment table and the checks above a
// drawing's title block; tables that do not fit go on over continuation pages. Then the
// motion charts, the loads at speed when the design has them, and the contour's
// coordinates. Every text is drawn into a box and checked against it, so the layout check
// can name any text that does not fit.

#include "report/report.h"

#include "plot/chart.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
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

// The pages being drawn, or only measured: the first pass counts the pages (for "page 1
// of 3") without drawing, the second draws.
class Sheet : public plot::Surface {
  public:
    Sheet(QPdfWriter& writer, QPainter& painter, std::vector<ReportOverflow>* overflows)
        : plot::Surface(painter, Dpi), writer_(writer), overflows_(overflows) {
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
        p.drawText(box, flags, text, &used);
        const double slack = platecam::D(0.02);
        if (overflows_ && !box.adjusted(-slack, -slack, slack, slack).contains(used)) {
            overflows_->push_back({page, text.toStdString(), platecam::Mm(used.width()),
                                   platecam::Mm(used.height()), w, h});
        }
    }

    // Height (mm) of the text wrapped to `w` mm.
    double Height(const QString& text, const QFont& font, double w) const {
        if (text.isEmpty()) return 0;
        const QFontMetricsF metrics(font, &writer_);
        return Mm(metrics.boundingRect(R(0, 0, w, 1000), Qt::TextWordWrap, text).height());
    }

    double Width(const QString& text, const QFont& font) const {
        return Mm(QFontMetricsF(font, &writer_).horizontalAdvance(text));
    }

    // The font of `points` on one line in `width` mm, made smaller down to `least` points
    // for a long text (a long file name, a long material).
    QFont Fitted(const QString& text, double points, double least, double width,
                 bool bold = false) const {
        while (points > least && Width(text, Font(points, bold)) > width) points -= 0.5;
        return Font(points, bold);
    }

    QString PageNumber(const std::string& pattern) const {
        return Q(pattern)
            .replace(QStringLiteral("%1"), QString::number(page))
            .replace(QStringLiteral("%2"), QString::number(pages));
    }

  private:
    QPdfWriter& writer_;
    std::vector<ReportOverflow>* overflows_;
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
        sheet.Text(Margin, Top, 150, 8, Q(in.title), sheet.Fitted(Q(in.title), 12, 8, 150, true));
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

void DrawFigure(Sheet& s, const ReportFigure& fig, double x, double y, double side) {
    QPainter& p = s.p;
    if (s.drawing) {
        p.setBrush(Qt::NoBrush);
        p.setPen(Pen(0.1, QColor(180, 180, 180)));
        p.drawRect(R(x, y, side, side));
    }
    s.Text(x + 1.5, y + 1, side / 2, 5, Q(fig.scaleText), Font(9, true));
    if (fig.contour.empty()) {
        s.Text(x + 5, y + side / 2 - 15, side - 10, 30, Q(fig.missing), Font(9),
               Qt::AlignCenter | Qt::TextWordWrap);
        return;
    }
    const double f = fig.scale;
    const double cx = x + side / 2 - fig.view.x * f, cy = y + side / 2 + fig.view.y * f;
    auto at = [&](ReportPoint q) { return P(cx + q.x * f, cy - q.y * f); };
    // A point at cam angle `deg` (clockwise from +y) and `r` mm of paper from the centre.
    auto polar = [&](double deg, double r) {
        const double a = deg * Pi / 180;
        return std::pair<double, double>{cx + r * std::sin(a), cy - r * std::cos(a)};
    };
    const double rb = fig.baseRadius * f;
    double reach = rb;
    for (const ReportPoint& q : fig.contour) reach = std::max(reach, std::hypot(q.x, q.y) * f);
    for (const ReportPoint& q : fig.pitch) reach = std::max(reach, std::hypot(q.x, q.y) * f);

    // The angle numbers inside the base circle; on a small one only the quarters.
    const bool allNumbers = rb >= 13;
    for (const ReportFigure::Mark& mark : fig.angleMarks) {
        if (rb >= 8 && (allNumbers || std::fmod(mark.angleDeg, 90) == 0)) {
            const auto [tx, ty] = polar(mark.angleDeg, rb - 4.2);
            s.Text(tx - 5, ty - 1.6, 10, 3.2, Q(mark.text), Font(6), Qt::AlignCenter, Grey);
        }
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
        auto loop = [&](const std::vector<ReportPoint>& points) {
            QPainterPath path;
            for (std::size_t i = 0; i < points.size(); ++i) {
                if (i == 0)
                    path.moveTo(at(points[i]));
                else
                    path.lineTo(at(points[i]));
            }
            path.closeSubpath();
            p.drawPath(path);
        };
        if (!fig.pitch.empty()) {
            p.setPen(Pen(0.2, QColor(0, 90, 170), Qt::DashLine));
            loop(fig.pitch);
        }
        p.setPen(Pen(0.4));
        loop(fig.contour);
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
        const QPointF c = at(fig.rollerCentre);
        const double rr = fig.rollerRadius * f;
        switch (fig.follower) {
            case ReportFollower::Roller: {
                const double half = std::clamp(0.45 * rr, 1.0, 3.0);
                p.setBrush(Qt::white);
                p.drawRect(
                    QRectF(QPointF(c.x() - D(half), D(y - 1)), QPointF(c.x() + D(half), c.y())));
                p.drawEllipse(c, D(rr), D(rr));
                p.setBrush(Follower);
                p.drawEllipse(c, D(0.4), D(0.4));
                break;
            }
            case ReportFollower::Flat: {
                const QPointF from = at({fig.faceFrom, fig.faceY}),
                              to = at({fig.faceTo, fig.faceY});
                p.setBrush(Qt::white);
                p.drawRect(QRectF(QPointF(D(cx - 3), D(y - 1)), QPointF(D(cx + 3), from.y())));
                p.setPen(Pen(0.6, Follower));
                p.drawLine(from, to);
                break;
            }
            case ReportFollower::SwingRoller: {
                const QPointF pivot = at(fig.pivot);
                p.setPen(Pen(1.2, Follower));
                p.drawLine(pivot, c);
                p.setPen(Pen(0.25, Follower));
                p.setBrush(Qt::white);
                p.drawEllipse(c, D(rr), D(rr));
                p.drawEllipse(pivot, D(1.3), D(1.3));
                // The ground the arm turns on.
                p.setPen(Pen(0.2, Follower));
                p.drawLine(pivot + QPointF(-D(2.5), D(2.6)), pivot + QPointF(D(2.5), D(2.6)));
                for (int k = 0; k < 5; ++k) {
                    const double hx = -2.0 + k;
                    p.drawLine(pivot + QPointF(D(hx), D(2.6)),
                               pivot + QPointF(D(hx - 0.8), D(3.6)));
                }
                p.drawLine(pivot + QPointF(-D(1.1), D(0.7)), pivot + QPointF(-D(1.8), D(2.6)));
                p.drawLine(pivot + QPointF(D(1.1), D(0.7)), pivot + QPointF(D(1.8), D(2.6)));
                break;
            }
            case ReportFollower::None:
                break;
        }
        p.setBrush(Qt::NoBrush);

        // The cam's turn: an arc around it, counter-clockwise, lower right.
        const double ra = reach + 2.5;
        const double from = -70, to = -25;  // degrees, counter-clockwise from +x
        QPainterPath arc;
        for (int k = 0; k <= 30; ++k) {
            const double a = (from + (to - from) * k / 30) * Pi / 180;
            const QPointF q = P(cx + ra * std::cos(a), cy - ra * std::sin(a));
            if (k == 0)
                arc.moveTo(q);
            else
                arc.lineTo(q);
        }
        p.setPen(Pen(0.3));
        p.drawPath(arc);
        const double a = to * Pi / 180;
        const QPointF tip = P(cx + ra * std::cos(a), cy - ra * std::sin(a));
        const QPointF along(-std::sin(a), -std::cos(a));  // direction of travel on paper
        const QPointF across(std::cos(a), -std::sin(a));  // outwards on paper
        QPolygonF head;
        head << tip + along * D(1.6) << tip + across * D(0.9) << tip - across * D(0.9);
        p.setBrush(Qt::black);
        p.drawPolygon(head);
        p.setBrush(Qt::NoBrush);
        p.restore();
    }
    {
        const double a = -47.5 * Pi / 180;
        const double ra = reach + 4.5;
        const double tx = cx + ra * std::cos(a), ty = cy - ra * std::sin(a);
        const double w = std::min(26.0, x + side - 1 - tx);
        s.Text(tx, ty, w, 3.5, Q(fig.rotationText), Font(6.5), Qt::AlignLeft | Qt::AlignVCenter);
    }
    // The scale bar, bottom left.
    const double bx = x + 3, by = y + side - 4, bar = fig.scaleBar * f;
    if (s.drawing) {
        p.setPen(Pen(0.3));
        p.drawLine(P(bx, by), P(bx + bar, by));
        p.drawLine(P(bx, by - 1), P(bx, by + 1));
        p.drawLine(P(bx + bar, by - 1), P(bx + bar, by + 1));
    }
    s.Text(bx, by - 5, 30, 4, Q(fig.scaleBarText), Font(7));
}

// ---------------------------------------------------------------- charts

void ChartPage(Sheet& s, const ReportInput& in, const ReportChartPage& page) {
    s.NewPage();
    s.Text(Margin, Top - 4, 160, 8, Q(page.heading), s.Fitted(Q(page.heading), 12, 8, 160, true));
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
// value's type made smaller where it would not fit.
void TitleBlock(Sheet& s, const std::vector<ReportField>& fields, double y) {
    const int perRow = 4;
    const double width = PageWidth - 2 * Margin, cellWidth = width / perRow;
    const int rows = static_cast<int>((fields.size() + perRow - 1) / perRow);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const double cx = Margin + static_cast<double>(k % perRow) * cellWidth;
        const double cy = y + static_cast<double>(k / perRow) * TitleBlockRow;
        s.Text(cx + 1, cy + 0.6, cellWidth - 2, 3.2, Q(fields[k].label), Font(6),
               Qt::AlignLeft | Qt::AlignVCenter, Grey);
        const QString value = Q(fields[k].value);
        s.Text(cx + 1, cy + 3.8, cellWidth - 2, TitleBlockRow - 4.3, value,
               s.Fitted(value, 9.5, 6, cellWidth - 2), Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (!s.drawing) return;
    QPainter& p = s.p;
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(0.15));
    for (int r = 1; r < rows; ++r)
        p.drawLine(P(Margin, y + r * TitleBlockRow), P(Margin + width, y + r * TitleBlockRow));
    for (int c = 1; c < perRow; ++c)
        p.drawLine(P(Margin + c * cellWidth, y),
                   P(Margin + c * cellWidth, y + rows * TitleBlockRow));
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
            int& pages, std::string& error) {
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
    Sheet sheet(writer, painter, overflows);
    sheet.density = density;
    sheet.drawing = true;
    sheet.pages = front + 1 + (in.dynamics ? 1 : 0) + coordinates;
    FrontPages(sheet, in);
    ChartPage(sheet, in, in.motion);
    if (in.dynamics) ChartPage(sheet, in, *in.dynamics);
    CoordinatePages(sheet, in);
    painter.end();
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
