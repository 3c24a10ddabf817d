#pragma once
// The design document the engineering window edits: its file, every edit as an undoable
// command, and whether it holds a rule (the rule broken, with its key, where it does not).

#include <QObject>
#include <QUndoStack>
#include <functional>
#include <optional>
#include <string>

#include "design/document.h"

namespace platecam {

class DocumentModel : public QObject {
    Q_OBJECT
public:
    explicit DocumentModel(QObject* parent = nullptr);
    ~DocumentModel() override;

    const DesignDocument& Document() const { return document_; }
    const std::string& Path() const { return path_; }
    bool Modified() const { return !stack_.isClean(); }
    QUndoStack& Stack() { return stack_; }

    // The rule the document breaks, with its key; empty for a document that holds them all.
    const std::optional<DocumentError>& Problem() const { return problem_; }

    // A new document (opened, or made from the start-up design or an example): no undo
    // history, clean.
    void Reset(DesignDocument document, std::string path);
    // The document was saved as `path`: clean there.
    void Saved(std::string path);
    // One undoable edit named `what`: `edit` changes a copy of the document. An edit that
    // changes nothing is no edit.
    void Change(const QString& what, const std::function<void(DesignDocument&)>& edit);

signals:
    // The document, its file or its modified state changed.
    void Changed();

private:
    friend class DocumentCommand;
    void Set(const DesignDocument& document);
    void Validate();

    DesignDocument document_;
    std::string path_;
    QUndoStack stack_;
    std::optional<DocumentError> problem_;
};

}  // namespace platecam
