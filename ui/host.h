#pragma once
// What the window asks of the person in front of it: file names and message boxes.
// The program answers with real dialogs; tests answer with a script.

#include <QString>
#include <QWidget>
#include <optional>

namespace platecam {

// A file dialog's settings; it remembers the last name the user confirmed.
struct FileDialog {
    enum Kind { Open, Save } kind;
    QString fileName;
};

class UiHost {
public:
    virtual ~UiHost() = default;
    // Shows the dialog proposing dialog.fileName; on confirmation stores the chosen path
    // there and returns true.
    virtual bool Execute(FileDialog& dialog) = 0;
    // The application's error box (stop icon, one OK button).
    virtual void ShowError(const QString& text) = 0;
    // The information box of the contour computation: title "情報", button "はい(&Y)".
    virtual void ShowInformation(const QString& text) = 0;
    // A yes/no question; empty where none can be asked (the window then does as it always
    // did without asking).
    virtual std::optional<bool> Ask(const QString&) { return std::nullopt; }
};

// The text of the error box: a "." is added when the last character sorts after ".".
QString ErrorBoxText(const QString& message);

class QtUiHost : public UiHost {
public:
    explicit QtUiHost(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    bool Execute(FileDialog& dialog) override;
    void ShowError(const QString& text) override;
    void ShowInformation(const QString& text) override;
    std::optional<bool> Ask(const QString& question) override;

private:
    QWidget* parent_;
};

}  // namespace platecam
