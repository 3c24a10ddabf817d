#pragma once
// The editors of everything a design document holds: the cam, the follower (only its
// kind's fields), the motion table with a law for each row, [dynamics] and [contact] as
// groups turned on and off, and the [drawing] title block. Every change is an edit of the
// document model; a value that breaks a rule is marked where it stands.

#include <QGroupBox>
#include <QScrollArea>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "ui/engineering/document_model.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace platecam {

class EditorPanel : public QScrollArea {
    Q_OBJECT
public:
    EditorPanel(DocumentModel& model, QWidget* parent = nullptr);

    // Shows the document's values, and marks the field of the rule it breaks.
    void Refresh();
    // Ends the edit under way in the focused field or cell, as leaving it does: what is
    // typed there counts before a save, an export or a question about unsaved changes.
    void CommitPendingEdit();
    // Cuts every editor from the model, for a window that is going: its model goes first.
    void Detach();

    // The field or cell of a document key, for tests and the keyboard's focus.
    QWidget* FieldOf(const std::string& key) const;
    QTableWidget* Table() const { return table_; }

signals:
    // A text that is no number: the message, for the status bar.
    void Refused(const QString& message);

private:
    struct Number {
        std::string key;
        QString name;  // the edit's name in the undo history
        bool required;
        std::function<std::optional<double>(const DesignDocument&)> get;
        std::function<void(DesignDocument&, std::optional<double>)> set;
        std::function<bool(const DesignDocument&)> shown;
        QLineEdit* edit = nullptr;
        QLabel* label = nullptr;
    };
    struct TextField {
        std::string key;
        std::optional<std::string> DrawingSection::*field;
        QLineEdit* edit = nullptr;
    };

    QLineEdit* AddNumber(QFormLayout* form, Number number, const QString& label);
    void NumberEdited(Number& number);
    void CellEdited(int row, int column);
    void InsertRow();
    void DeleteRow();
    void Mark(QWidget* widget, bool marked);
    void FillTable();

    DocumentModel& model_;
    std::vector<Number> numbers_;
    std::vector<TextField> texts_;
    QComboBox* resolution_ = nullptr;
    QComboBox* law_ = nullptr;
    QComboBox* kind_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* insert_ = nullptr;
    QPushButton* delete_ = nullptr;
    QGroupBox* dynamics_ = nullptr;
    QGroupBox* contact_ = nullptr;
    QGroupBox* machining_ = nullptr;
    QComboBox* direction_ = nullptr;
    QCheckBox* compensate_ = nullptr;
    bool refreshing_ = false;
};

}  // namespace platecam
