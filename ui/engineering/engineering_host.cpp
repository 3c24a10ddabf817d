#include "ui/engineering/engineering_host.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "base/language.h"

namespace platecam {

namespace {
QString Q(const char* text) { return QString::fromUtf8(text); }
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

std::optional<QString> QtEngineeringHost::FileToOpen(const QString& proposed) {
    const QString name = QFileDialog::getOpenFileName(
        parent_, Q(Tr("Open a design")), proposed,
        Q(Tr("Designs (*.toml *.dat);;All files (*)")));
    if (name.isEmpty()) return std::nullopt;
    return name;
}

std::optional<QString> QtEngineeringHost::FileToSave(const QString& proposed, const QString& filter) {
    QFileDialog dialog(parent_, Q(Tr("Save as")), proposed, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an ending gets the filter's ("*.toml" gives .toml).
    const QRegularExpressionMatch suffix = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
    if (suffix.hasMatch()) dialog.setDefaultSuffix(suffix.captured(1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

EngineeringHost::Unsaved QtEngineeringHost::AskToSave(const QString& name) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("platecam"),
                    Q(Tr("%1 has changes that are not saved.", {name.toStdString()})),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent_);
    box.setInformativeText(Q(Tr("Save them before closing?")));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save:
            return Unsaved::Save;
        case QMessageBox::Discard:
            return Unsaved::Discard;
        default:
            return Unsaved::Cancel;
    }
}

void QtEngineeringHost::ShowError(const QString& text) {
    QMessageBox::critical(parent_, QStringLiteral("platecam"), text);
}

}  // namespace platecam
