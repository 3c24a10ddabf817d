#include "ui/host.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace platecam {

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.')) return message + u'.';
    return message;
}

bool QtUiHost::Execute(FileDialog& dialog) {
    QFileDialog box(parent_);
    box.setOption(QFileDialog::DontUseNativeDialog);
    box.setOption(QFileDialog::DontConfirmOverwrite);
    box.setAcceptMode(dialog.kind == FileDialog::Save ? QFileDialog::AcceptSave
                                                      : QFileDialog::AcceptOpen);
    // OPEN accepts a typed name of a file that does not exist; the open then reports it.
    box.setFileMode(QFileDialog::AnyFile);
    if (!dialog.fileName.isEmpty()) box.selectFile(dialog.fileName);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
    dialog.fileName = box.selectedFiles().front();
    return true;
}

void QtUiHost::ShowError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("カム計算"), ErrorBoxText(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

void QtUiHost::ShowInformation(const QString& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("情報"), text, QMessageBox::NoButton,
                    parent_);
    box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    box.exec();
}

std::optional<bool> QtUiHost::Ask(const QString& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("カム計算"), question,
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace platecam
