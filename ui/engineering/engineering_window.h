#pragma once
// The engineering window: a design document of any follower and any law at the desk. Its
// editors change the document through undoable edits; every edit computes the one result
// of design/ again and repaints the plots, the cam view and the checks, so nothing shown
// belongs to older inputs. Files are design documents; exports are the batch's writers.

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "batch/run.h"
#include "ui/engineering/cam_panel.h"
#include "ui/engineering/checks_panel.h"
#include "ui/engineering/document_model.h"
#include "ui/engineering/editor_panel.h"
#include "ui/engineering/engineering_host.h"
#include "ui/engineering/plot_panel.h"

class QAction;
class QDoubleSpinBox;
class QMenu;
class QMimeData;
class QThread;

namespace platecam {

class EngineeringWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit EngineeringWindow(EngineeringHost& host, QWidget* parent = nullptr);
    ~EngineeringWindow() override;

    // Opens a design document, or a 264-byte design file as a document; false (and the
    // error shown) where it cannot be read.
    bool OpenFile(const QString& path);
    // A new, untitled document: the start-up design or an installed example.
    void NewDocument(const DesignDocument& document, const QString& proposedName);
    // The document as it is, with the file it came from: the classic window hands over a
    // design it cannot show.
    void ShowDocument(const DesignDocument& document, const QString& path);

    bool Save();
    bool SaveAs();
    // Opens the first local file of a drop (asking about unsaved changes first); false
    // where the drop holds none.
    bool OpenDropped(const QMimeData& data);
    // Each export asks for a file, then writes what platecam-batch writes for the document.
    // ExportTo starts the writing off the interface thread (false: nothing to export, or
    // other work under way); its outcome reaches the status bar or the error box.
    enum class Export { Report, Drawing, Dxf, Csv, Json, Document, ToolPath, Gcode, LiftTable };
    bool ExportTo(Export kind, const QString& path);
    void ExportAsked(Export kind);
    // Runs the sizing off the interface thread; its result is one undoable edit.
    void SizeBaseRadius();
    // Waits for a sizing or an export under way (tests and closing).
    void WaitForWork();

    DocumentModel& Model() { return model_; }
    EditorPanel* Editors() const { return editors_; }
    PlotPanel* Plots() const { return plots_; }
    CamPanel* Cam() const { return cam_; }
    ChecksPanel* CheckTable() const { return checks_; }
    // The result on show; none while the document breaks a rule.
    const Run* Result() const { return run_.get(); }
    QString StatusText() const;
    // Turns the cam view and the plots' cursor to a cam angle.
    void SetAngle(double degrees);
    QAction* ActionNamed(const QString& objectName) const;

    // Where installed examples are (share/platecam/examples beside the program).
    static QString ExamplesFolder();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void Recompute();
    void UpdateTitle();
    bool MaybeSave();
    bool SaveTo(const std::string& file);
    void RememberRecent(const QString& path);
    void FillRecentMenu();
    void FillNewMenu();
    void ShowStatus(const QString& text);
    QString DocumentName() const;
    std::string ResultPath() const;

    EngineeringHost& host_;
    DocumentModel model_;
    BatchOptions options_;
    std::shared_ptr<const Run> run_;  // shared with an export under way
    QString proposedName_;  // the name a first Save proposes

    EditorPanel* editors_ = nullptr;
    PlotPanel* plots_ = nullptr;
    QLabel* readout_ = nullptr;
    CamPanel* cam_ = nullptr;
    ChecksPanel* checks_ = nullptr;
    QSplitter* main_ = nullptr;
    QSplitter* right_ = nullptr;
    QSplitter* top_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QMenu* recent_ = nullptr;
    QMenu* newMenu_ = nullptr;
    QDoubleSpinBox* speed_ = nullptr;
    QAction* play_ = nullptr;

    // Work off the interface thread: at most one at a time.
    QThread* worker_ = nullptr;
    std::atomic<double> workDone_{0};
    std::atomic<bool> workCancelled_{false};
    QTimer workTimer_;
};

}  // namespace platecam
