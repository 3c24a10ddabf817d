#pragma once
// Every check of --check as a table: the check, its figures, its limit, its verdict (a
// FAIL in red, with the reason in words). Choosing a check with an angle turns the view
// and the cursor there.

#include <QTableWidget>
#include <optional>
#include <vector>

#include "batch/check_text.h"

namespace platecam {

class ChecksPanel : public QTableWidget {
    Q_OBJECT
public:
    explicit ChecksPanel(QWidget* parent = nullptr);
    // The lines of the check and its result line; none where the design breaks a rule.
    void Show(const std::vector<CheckLine>& lines, const QString& result);

signals:
    void AngleChosen(double degrees);

private:
    std::vector<std::optional<double>> angles_;
};

}  // namespace platecam
