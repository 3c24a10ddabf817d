#include "ui/engineering/checks_panel.h"

#include <QHeaderView>

#include "base/language.h"
#include "plot/surface.h"

namespace platecam {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

ChecksPanel::ChecksPanel(QWidget* parent) : QTableWidget(0, 5, parent) {
    setHorizontalHeaderLabels({Q(Tr("check")), Q(Tr("value")), Q(Tr("limit")), Q(Tr("verdict")),
                               Q(Tr("reason"))});
    setAccessibleName(Q(Tr("Checks")));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(true);
    verticalHeader()->setVisible(false);
    // The value takes what the other columns leave, wrapped.
    for (int column : {0, 2, 3, 4}) horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] { resizeRowsToContents(); });
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && static_cast<std::size_t>(row) < angles_.size() && angles_[row]) {
            emit AngleChosen(*angles_[row]);
        }
    });
}

void ChecksPanel::Show(const std::vector<CheckLine>& lines, const QString& result) {
    const QSignalBlocker block(this);
    setRowCount(0);
    angles_.clear();
    auto add = [&](const CheckLine& line, bool bold) {
        const int row = rowCount();
        insertRow(row);
        const QString cells[] = {Q(line.check), Q(line.value), plot::Drawable(Q(line.limit)),
                                 line.check.empty() ? QString() : Q(VerdictText(line.verdict)), Q(line.reason)};
        for (int column = 0; column < 5; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            if (line.verdict == Verdict::Fail) item->setForeground(QColor(210, 0, 0));
            if (line.verdict == Verdict::Pass && column == 3) item->setForeground(QColor(0, 110, 40));
            QFont font = item->font();
            font.setBold(bold || (line.verdict == Verdict::Fail && column == 3));
            item->setFont(font);
            setItem(row, column, item);
        }
        angles_.push_back(line.atDeg);
    };
    for (const CheckLine& line : lines) add(line, false);
    if (!result.isEmpty()) {
        CheckLine last;
        last.value = result.toStdString();
        last.verdict = result.contains(Q(Tr("result: all checks pass"))) ? Verdict::Pass : Verdict::Fail;
        add(last, true);
    }
    resizeRowsToContents();
}

}  // namespace platecam
