#pragma once
// What the engineering window asks of the person in front of it: file names, whether to
// save, whether to go on, and its error messages. The program answers with real dialogs;
// tests answer with a script.

#include <QString>
#include <QWidget>
#include <optional>

namespace platecam {

class EngineeringHost {
public:
    virtual ~EngineeringHost() = default;
    enum class Unsaved { Save, Discard, Cancel };
    // A file to open, or nothing when the user cancels.
    virtual std::optional<QString> FileToOpen(const QString& proposed) = 0;
    // A file to write, proposed with `proposed` and of `filter` ("Design documents
    // (*.toml)"), or nothing when the user cancels.
    virtual std::optional<QString> FileToSave(const QString& proposed, const QString& filter) = 0;
    // What to do with the unsaved changes of `name`.
    virtual Unsaved AskToSave(const QString& name) = 0;
    virtual void ShowError(const QString& text) = 0;
};

class QtEngineeringHost : public EngineeringHost {
public:
    explicit QtEngineeringHost(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    std::optional<QString> FileToOpen(const QString& proposed) override;
    std::optional<QString> FileToSave(const QString& proposed, const QString& filter) override;
    Unsaved AskToSave(const QString& name) override;
    void ShowError(const QString& text) override;

private:
    QWidget* parent_;
};

}  // namespace platecam
