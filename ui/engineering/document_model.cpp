#include "ui/engineering/document_model.h"

#include <QUndoCommand>

#include "files/design_document.h"

namespace platecam {

// One edit: the document before and after it.
class DocumentCommand : public QUndoCommand {
public:
    DocumentCommand(DocumentModel& model, const QString& text, DesignDocument before, DesignDocument after)
        : QUndoCommand(text), model_(model), before_(std::move(before)), after_(std::move(after)) {}
    void undo() override { model_.Set(before_); }
    void redo() override { model_.Set(after_); }

private:
    DocumentModel& model_;
    DesignDocument before_, after_;
};

DocumentModel::DocumentModel(QObject* parent) : QObject(parent) {
    connect(&stack_, &QUndoStack::cleanChanged, this, &DocumentModel::Changed);
    Validate();
}

// The stack reports itself clean as it is destroyed; this model is half gone by then.
DocumentModel::~DocumentModel() { stack_.disconnect(this); }

void DocumentModel::Reset(DesignDocument document, std::string path) {
    stack_.clear();
    document_ = std::move(document);
    path_ = std::move(path);
    stack_.setClean();
    Validate();
    emit Changed();
}

void DocumentModel::Saved(std::string path) {
    path_ = std::move(path);
    stack_.setClean();
    Validate();
    emit Changed();
}

void DocumentModel::Change(const QString& what, const std::function<void(DesignDocument&)>& edit) {
    DesignDocument after = document_;
    edit(after);
    // Written the same, read the same: nothing changed, nothing to undo.
    try {
        if (FormatDesignDocument(after) == FormatDesignDocument(document_)) return;
    } catch (const CamError&) {
        // One of them breaks a rule: an edit all the same.
    }
    stack_.push(new DocumentCommand(*this, what, document_, std::move(after)));
}

void DocumentModel::Set(const DesignDocument& document) {
    document_ = document;
    Validate();
    emit Changed();
}

void DocumentModel::Validate() {
    problem_.reset();
    try {
        CheckDesignDocument(document_, "");
    } catch (const DocumentError& e) {
        problem_ = e;
    }
}

}  // namespace platecam
