#include "ui/engineering/engineering_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>
#include <QVBoxLayout>

#include "base/language.h"
#include "batch/check_text.h"
#include "batch/csv.h"
#include "batch/dxf_output.h"
#include "batch/json.h"
#include "batch/machining.h"
#include "batch/report_input.h"
#include "design/window.h"
#include "files/design_document.h"
#include "files/design_file.h"
#include "files/save_file.h"

// The report's pages, drawn in this process (the program already runs Qt).
extern "C" bool platecam_render_report(const platecam::ReportInput& in, std::string& pdf,
                                       std::string& error);

namespace platecam {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Q(const char* text) { return QString::fromUtf8(text); }
std::string FileName(const QString& path) { return QFile::encodeName(path).toStdString(); }

constexpr int RecentCount = 8;

QSettings Settings() { return QSettings(QStringLiteral("platecam"), QStringLiteral("platecam")); }

// The samples of the result as the cam view draws them.
std::optional<CamPicture> PictureOf(const Run& run) {
    if (!run.cam || run.samples.empty()) return std::nullopt;
    CamPicture pic;
    const engine::CamInput& cam = *run.cam;
    pic.follower = cam.follower;
    pic.baseRadius = cam.baseRadius;
    const bool face = cam.follower.kind == engine::FollowerKind::Flat;
    for (const engine::Sample& s : run.samples) {
        pic.contour.push_back(s.contact);
        if (!face) pic.pitch.push_back(s.pitch);
        pic.angles.push_back(s.angleDeg);
    }
    if (cam.follower.kind == engine::FollowerKind::SwingRoller) pic.pivot = engine::SwingPivot(cam);
    if (face) {
        const double half = std::max(cam.follower.faceWidth.value_or(0) / 2, 0.3 * cam.baseRadius);
        pic.faceFrom = std::min(-half, run.grid ? run.grid->minContactOffset : 0);
        pic.faceTo = std::max(half, run.grid ? run.grid->maxContactOffset : 0);
    }
    if (run.grid) {
        const engine::GridChecks& g = *run.grid;
        if (!face && g.maxPressure.found) {
            const bool high = g.maxPressure.value >= -g.minPressure.value;
            pic.worst.push_back({high ? g.maxPressure.atDeg : g.minPressure.atDeg,
                                 Q(Tr("largest pressure angle"))});
        }
        const engine::GridExtreme& radius = face ? g.contourRadius : g.convexPitchRadius;
        if (radius.found) pic.worst.push_back({radius.atDeg, Q(Tr("smallest radius of curvature"))});
    }
    return pic;
}

}  // namespace

QString EngineeringWindow::ExamplesFolder() {
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../share/platecam/examples"));
}

EngineeringWindow::EngineeringWindow(EngineeringHost& host, QWidget* parent)
    : QMainWindow(parent), host_(host) {
    setObjectName(QStringLiteral("EngineeringWindow"));
    setAcceptDrops(true);
    resize(1400, 900);

    editors_ = new EditorPanel(model_, this);
    plots_ = new PlotPanel(this);
    auto* plotScroll = new QScrollArea(this);
    plotScroll->setWidgetResizable(true);
    plotScroll->setWidget(plots_);
    plotScroll->setAccessibleName(Q(Tr("plots")));
    readout_ = new QLabel(this);
    readout_->setAccessibleName(Q(Tr("values at the cursor")));
    readout_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    readout_->setMinimumWidth(200);
    // Plain text, not selectable: a selectable label lays out a text document at every
    // move of the cursor.
    readout_->setTextFormat(Qt::PlainText);
    cam_ = new CamPanel(this);
    checks_ = new ChecksPanel(this);

    top_ = new QSplitter(Qt::Horizontal, this);
    top_->addWidget(cam_);
    top_->addWidget(checks_);
    top_->setStretchFactor(0, 1);
    top_->setStretchFactor(1, 1);
    auto* bottom = new QSplitter(Qt::Horizontal, this);
    bottom->addWidget(plotScroll);
    bottom->addWidget(readout_);
    bottom->setStretchFactor(0, 4);
    right_ = new QSplitter(Qt::Vertical, this);
    right_->addWidget(top_);
    right_->addWidget(bottom);
    main_ = new QSplitter(Qt::Horizontal, this);
    main_->addWidget(editors_);
    main_->addWidget(right_);
    main_->setStretchFactor(1, 3);
    setCentralWidget(main_);
    for (QSplitter* s : {top_, right_, main_, bottom}) s->setChildrenCollapsible(false);

    status_ = new QLabel(this);
    status_->setAccessibleName(Q(Tr("status")));
    statusBar()->addWidget(status_, 1);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setAccessibleName(Q(Tr("progress")));
    progress_->hide();
    cancel_ = new QPushButton(Q(Tr("Cancel")), this);
    cancel_->setAccessibleName(cancel_->text());
    cancel_->hide();
    statusBar()->addPermanentWidget(progress_);
    statusBar()->addPermanentWidget(cancel_);
    connect(cancel_, &QPushButton::clicked, this, [this] { workCancelled_ = true; });
    workTimer_.setInterval(50);
    connect(&workTimer_, &QTimer::timeout, this,
            [this] { progress_->setValue(static_cast<int>(100 * workDone_.load())); });

    connect(&model_, &DocumentModel::Changed, this, &EngineeringWindow::Recompute);
    connect(&model_, &DocumentModel::Changed, this, &EngineeringWindow::UpdateTitle);
    connect(editors_, &EditorPanel::Refused, this, &EngineeringWindow::ShowStatus);
    connect(plots_, &PlotPanel::CursorMoved, this, [this](double d) { SetAngle(d); });
    connect(cam_, &CamPanel::AngleChanged, this, [this](double d) { SetAngle(d); });
    connect(checks_, &ChecksPanel::AngleChosen, this, [this](double d) { SetAngle(d); });

    main_->setSizes({editors_->minimumWidth(), 1400 - editors_->minimumWidth()});
    right_->setSizes({450, 450});
    top_->setSizes({400, 600});
    BuildMenus();
    const QSettings settings = Settings();
    restoreGeometry(settings.value(QStringLiteral("engineering/geometry")).toByteArray());
    for (QSplitter* s : {top_, right_, main_}) {
        s->restoreState(settings.value(QStringLiteral("engineering/") + s->objectName()).toByteArray());
    }
    NewDocument(StartUpDocument(), Q(Tr("untitled")) + QStringLiteral(".toml"));
}

EngineeringWindow::~EngineeringWindow() {
    WaitForWork();
    // The undo stack says it is clean as it goes; nothing here may answer by then. And
    // QWidget's destructor hides the window, which takes the focus from a field and so
    // ends its edit after the model is gone: the editors hear nothing more.
    model_.disconnect(this);
    editors_->Detach();
}

QAction* EngineeringWindow::ActionNamed(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void EngineeringWindow::BuildMenus() {
    top_->setObjectName(QStringLiteral("topSplitter"));
    right_->setObjectName(QStringLiteral("rightSplitter"));
    main_->setObjectName(QStringLiteral("mainSplitter"));
    auto action = [this](QMenu* menu, const char* name, const char* text, QKeySequence key,
                         auto slot) {
        QAction* a = menu->addAction(Q(Tr(text)));
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = menuBar()->addMenu(Q(Tr("&File")));
    newMenu_ = file->addMenu(Q(Tr("&New")));
    FillNewMenu();
    action(file, "open", N_("&Open..."), QKeySequence::Open, [this] {
        if (!MaybeSave()) return;
        const std::optional<QString> path = host_.FileToOpen(QString());
        if (path) OpenFile(*path);
    });
    recent_ = file->addMenu(Q(Tr("Open &Recent")));
    FillRecentMenu();
    action(file, "save", N_("&Save"), QKeySequence::Save, [this] { Save(); });
    action(file, "saveAs", N_("Save &As..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { SaveAs(); });
    QMenu* exports = file->addMenu(Q(Tr("&Export")));
    const struct {
        const char* name;
        const char* text;
        Export kind;
    } kinds[] = {
        {"exportReport", N_("Design report (PDF)..."), Export::Report},
        {"exportDrawing", N_("Workshop drawing (DXF)..."), Export::Drawing},
        {"exportDxf", N_("Contour (DXF)..."), Export::Dxf},
        {"exportCsv", N_("Samples (CSV)..."), Export::Csv},
        {"exportJson", N_("Figures (JSON)..."), Export::Json},
        {"exportDocument", N_("Design document (TOML)..."), Export::Document},
        {"exportToolPath", N_("Tool path (DXF)..."), Export::ToolPath},
        {"exportGcode", N_("Milling program (G-code)..."), Export::Gcode},
        {"exportLiftTable", N_("Grinder's table (CSV)..."), Export::LiftTable},
    };
    for (const auto& k : kinds) {
        const Export kind = k.kind;
        action(exports, k.name, k.text, QKeySequence(), [this, kind] { ExportAsked(kind); });
    }
    file->addSeparator();
    // Ctrl+Q everywhere: the standard binding is empty under some platform themes.
    action(file, "quit", N_("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });

    QMenu* edit = menuBar()->addMenu(Q(Tr("&Edit")));
    QAction* undo = model_.Stack().createUndoAction(this, Q(Tr("&Undo")));
    undo->setObjectName(QStringLiteral("undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = model_.Stack().createRedoAction(this, Q(Tr("&Redo")));
    redo->setObjectName(QStringLiteral("redo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    action(edit, "sizeBase", N_("Size base &radius"), QKeySequence(), [this] { SizeBaseRadius(); });

    QMenu* view = menuBar()->addMenu(Q(Tr("&View")));
    // F5 anywhere; Space only in the cam view, since Space presses the focused button or
    // ticks the focused group everywhere else.
    play_ = action(view, "play", N_("&Play"), QKeySequence(Qt::Key_F5), [this] {
        cam_->Play(!cam_->Playing());
        play_->setText(Q(Tr(cam_->Playing() ? "&Pause" : "&Play")));
    });
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), cam_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(space, &QShortcut::activated, play_, &QAction::trigger);
    action(view, "fit", N_("&Fit the cam"), QKeySequence(Qt::CTRL | Qt::Key_0), [this] { cam_->Fit(); });
    QToolBar* tools = addToolBar(Q(Tr("Animation")));
    tools->setObjectName(QStringLiteral("animation"));
    tools->addAction(play_);
    speed_ = new QDoubleSpinBox(this);
    speed_->setRange(1, 720);
    speed_->setValue(60);
    speed_->setSuffix(QStringLiteral(" °/s"));
    speed_->setAccessibleName(Q(Tr("speed of the animation")));
    // Its text field takes the focus, and is what a screen reader names.
    if (QLineEdit* field = speed_->findChild<QLineEdit*>()) field->setAccessibleName(speed_->accessibleName());
    connect(speed_, &QDoubleSpinBox::valueChanged, this, [this](double v) { cam_->SetSpeed(v); });
    tools->addWidget(speed_);
}

void EngineeringWindow::FillNewMenu() {
    newMenu_->clear();
    QAction* startUp = newMenu_->addAction(Q(Tr("Start-up design")));
    startUp->setObjectName(QStringLiteral("new"));
    startUp->setShortcut(QKeySequence::New);
    connect(startUp, &QAction::triggered, this, [this] {
        if (MaybeSave()) NewDocument(StartUpDocument(), Q(Tr("untitled")) + QStringLiteral(".toml"));
    });
    const QDir examples(ExamplesFolder());
    for (const QFileInfo& example : examples.entryInfoList({QStringLiteral("*.toml"), QStringLiteral("*.dat")},
                                                           QDir::Files, QDir::Name)) {
        QAction* a = newMenu_->addAction(example.fileName());
        const QString path = example.absoluteFilePath();
        connect(a, &QAction::triggered, this, [this, path] {
            if (!MaybeSave()) return;
            try {
                const std::string bytes = ReadDesignBytes(FileName(path));
                DesignDocument doc = IsDesignDocument(bytes)
                                         ? ParseDesignDocument(bytes, FileName(path))
                                         : DocumentFromTable(DecodeDesign(bytes, FileName(path)), 0, 1, FileName(path));
                const QFileInfo info(path);
            NewDocument(doc, info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".toml")));
            } catch (const CamError& e) {
                host_.ShowError(Q(e.message()));
            }
        });
    }
}

void EngineeringWindow::NewDocument(const DesignDocument& document, const QString& proposedName) {
    proposedName_ = proposedName;
    model_.Reset(document, "");
}

void EngineeringWindow::ShowDocument(const DesignDocument& document, const QString& path) {
    proposedName_ = QFileInfo(path).fileName();
    model_.Reset(document, FileName(path));
    RememberRecent(path);
}

bool EngineeringWindow::OpenFile(const QString& path) {
    try {
        const std::string file = FileName(path);
        const std::string bytes = ReadDesignBytes(file);
        if (IsDesignDocument(bytes)) {
            ShowDocument(ParseDesignDocument(bytes, file), path);
        } else {
            // A design file says neither law nor resolution: the window's first choices. It
            // is saved as a document beside it.
            const DesignDocument doc = DocumentFromTable(DecodeDesign(bytes, file), 0, 1, file);
            const QFileInfo info(path);
            NewDocument(doc, info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".toml")));
            RememberRecent(path);
        }
        return true;
    } catch (const CamError& e) {
        host_.ShowError(Q(e.message()));
        return false;
    }
}

bool EngineeringWindow::Save() {
    editors_->CommitPendingEdit();
    if (model_.Path().empty()) return SaveAs();
    return SaveTo(model_.Path());
}

bool EngineeringWindow::SaveAs() {
    editors_->CommitPendingEdit();
    const QString proposed = model_.Path().empty() ? proposedName_ : Q(model_.Path());
    const std::optional<QString> path = host_.FileToSave(proposed, Q(Tr("Design documents (*.toml)")));
    if (!path || !SaveTo(FileName(*path))) return false;
    RememberRecent(*path);
    return true;
}

bool EngineeringWindow::SaveTo(const std::string& file) {
    try {
        SaveDesignDocument(file, model_.Document());
        model_.Saved(file);
        ShowStatus(Q(Tr("saved %1", {file})));
        return true;
    } catch (const CamError& e) {
        host_.ShowError(Q(e.message()));
        return false;
    }
}

std::string EngineeringWindow::ResultPath() const {
    return model_.Path().empty() ? FileName(proposedName_) : model_.Path();
}

void EngineeringWindow::Recompute() {
    run_.reset();
    if (const auto& problem = model_.Problem()) {
        const QString message = Q(problem->message());
        plots_->Show(std::nullopt, message);
        cam_->Show(std::nullopt, message);
        checks_->Show({}, QString());
        readout_->clear();
        ShowStatus(message);
        return;
    }
    try {
        options_ = BatchOptions{};
        options_.design = ResultPath();
        DesignInput input = InputOfDocument(model_.Document(), ResultPath());
        run_ = std::make_shared<const Run>(options_, ComputeDesign(std::move(input), Request{true, false}));
        plots_->Show(ChartsOf(*run_));
        cam_->Show(PictureOf(*run_));
        checks_->Show(CheckLines(*run_, FigureStyle{}), Q(ResultLine(*run_)));
        ShowStatus(Q(ResultLine(*run_)));
    } catch (const CamError& e) {
        run_.reset();
        const QString message = Q(e.message());
        plots_->Show(std::nullopt, message);
        cam_->Show(std::nullopt, message);
        checks_->Show({}, QString());
        ShowStatus(message);
    }
    SetAngle(plots_->Cursor());
}

void EngineeringWindow::SetAngle(double degrees) {
    if (plots_->Cursor() != degrees) plots_->SetCursor(degrees);
    if (cam_->Angle() != degrees) cam_->SetAngle(degrees);
    readout_->setText(plots_->Readout());
}

void EngineeringWindow::ShowStatus(const QString& text) { status_->setText(text); }

QString EngineeringWindow::StatusText() const { return status_->text(); }

QString EngineeringWindow::DocumentName() const {
    return model_.Path().empty() ? proposedName_ : QFileInfo(Q(model_.Path())).fileName();
}

void EngineeringWindow::UpdateTitle() {
    setWindowTitle(DocumentName() + QStringLiteral("[*] — platecam"));
    setWindowModified(model_.Modified());
}

bool EngineeringWindow::MaybeSave() {
    editors_->CommitPendingEdit();
    if (!model_.Modified()) return true;
    switch (host_.AskToSave(DocumentName())) {
        case EngineeringHost::Unsaved::Save:
            return Save();
        case EngineeringHost::Unsaved::Discard:
            return true;
        case EngineeringHost::Unsaved::Cancel:
            break;
    }
    return false;
}

void EngineeringWindow::closeEvent(QCloseEvent* event) {
    if (!MaybeSave()) {
        event->ignore();
        return;
    }
    WaitForWork();
    QSettings settings = Settings();
    settings.setValue(QStringLiteral("engineering/geometry"), saveGeometry());
    for (QSplitter* s : {top_, right_, main_}) {
        settings.setValue(QStringLiteral("engineering/") + s->objectName(), s->saveState());
    }
    event->accept();
}

void EngineeringWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void EngineeringWindow::dropEvent(QDropEvent* event) {
    if (OpenDropped(*event->mimeData())) event->acceptProposedAction();
}

bool EngineeringWindow::OpenDropped(const QMimeData& data) {
    // The first local file of the drop: one document at a time.
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) continue;
        if (MaybeSave()) OpenFile(url.toLocalFile());
        return true;
    }
    return false;
}

void EngineeringWindow::RememberRecent(const QString& path) {
    QSettings settings = Settings();
    QStringList files = settings.value(QStringLiteral("engineering/recent")).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > RecentCount) files.removeLast();
    settings.setValue(QStringLiteral("engineering/recent"), files);
    FillRecentMenu();
}

void EngineeringWindow::FillRecentMenu() {
    recent_->clear();
    const QStringList files = Settings().value(QStringLiteral("engineering/recent")).toStringList();
    for (const QString& path : files) {
        QAction* a = recent_->addAction(path);
        connect(a, &QAction::triggered, this, [this, path] {
            if (MaybeSave()) OpenFile(path);
        });
    }
    recent_->setEnabled(!files.isEmpty());
}

void EngineeringWindow::WaitForWork() {
    if (!worker_) return;
    worker_->wait();
    QCoreApplication::sendPostedEvents(this);
}

bool EngineeringWindow::ExportTo(Export kind, const QString& path) {
    editors_->CommitPendingEdit();
    if (!run_) {
        host_.ShowError(model_.Problem() ? Q(model_.Problem()->message()) : Q(Tr("there is no cam to export")));
        return false;
    }
    if (worker_) return false;
    // Written from copies off the interface thread: a report or a fine drawing takes longer
    // than a repaint, and the window goes on answering meanwhile.
    struct Job {
        std::shared_ptr<const Run> run;
        DesignDocument document;
        std::string file;
        std::string error;
        std::vector<std::string> warnings;
    };
    auto job = std::make_shared<Job>(Job{run_, model_.Document(), FileName(path), {}, {}});
    worker_ = QThread::create([job, kind] {
        try {
            std::string bytes, refusal;
            switch (kind) {
                case Export::Report: {
                    std::string error;
                    if (!platecam_render_report(MakeReportInput(*job->run), bytes, error)) {
                        throw CamError(Text::Message("no report: %1", {error}));
                    }
                    break;
                }
                case Export::Drawing:
                    bytes = DrawingBytes(*job->run, refusal, job->warnings);
                    break;
                case Export::Dxf:
                    bytes = DxfBytes(*job->run, false, refusal);
                    break;
                case Export::Csv:
                    bytes = CsvText(*job->run);
                    break;
                case Export::Json:
                    bytes = StoredJson(*job->run);
                    break;
                case Export::Document:
                    bytes = FormatDesignDocument(job->document);
                    break;
                case Export::ToolPath:
                    bytes = ToolPathBytes(*job->run, refusal, job->warnings);
                    break;
                case Export::Gcode:
                    bytes = GcodeText(*job->run, refusal);
                    break;
                case Export::LiftTable:
                    bytes = LiftTableText(*job->run, refusal);
                    break;
            }
            if (!refusal.empty()) {
                job->error = refusal;
                return;
            }
            SaveFile(job->file, bytes);
        } catch (const CamError& e) {
            job->error = e.message();
        } catch (const std::bad_alloc&) {
            job->error = Message(msg::OutOfMemory);
        }
    });
    connect(worker_, &QThread::finished, this, [this, job] {
        progress_->hide();
        worker_->deleteLater();
        worker_ = nullptr;
        if (!job->error.empty()) {
            host_.ShowError(Q(job->error));
            return;
        }
        QString note = Q(Tr("saved %1", {job->file}));
        for (const std::string& warning : job->warnings) note += QStringLiteral("; ") + Q(warning);
        ShowStatus(note);
    });
    // No measure of how far a writer is: the bar only says that it works.
    progress_->setRange(0, 0);
    progress_->show();
    worker_->start();
    return true;
}

void EngineeringWindow::ExportAsked(Export kind) {
    const struct {
        const char* suffix;
        const char* filter;
    } files[] = {{".pdf", N_("PDF (*.pdf)")}, {"-drawing.dxf", N_("DXF (*.dxf)")},
                 {".dxf", N_("DXF (*.dxf)")}, {".csv", N_("CSV (*.csv)")},
                 {".json", N_("JSON (*.json)")}, {".toml", N_("Design documents (*.toml)")},
                 {"-toolpath.dxf", N_("DXF (*.dxf)")}, {".nc", N_("G-code (*.nc *.ngc)")},
                 {"-lift.csv", N_("CSV (*.csv)")}};
    const auto& f = files[static_cast<int>(kind)];
    const QString stem = QFileInfo(DocumentName()).completeBaseName();
    const std::optional<QString> path = host_.FileToSave(stem + Q(f.suffix), Q(Tr(f.filter)));
    if (path) ExportTo(kind, *path);
}

void EngineeringWindow::SizeBaseRadius() {
    editors_->CommitPendingEdit();
    if (worker_ || !run_ || !run_->cam) return;
    const engine::CamInput cam = *run_->cam;
    auto sizing = std::make_shared<std::optional<engine::Sizing>>();
    workDone_ = 0;
    workCancelled_ = false;
    worker_ = QThread::create([this, cam, sizing] {
        try {
            *sizing = engine::SizeBaseRadius(cam, [this](double done) {
                workDone_ = done;
                return !workCancelled_.load();
            });
        } catch (const CamError&) {
        }
    });
    connect(worker_, &QThread::finished, this, [this, sizing] {
        workTimer_.stop();
        progress_->hide();
        cancel_->hide();
        worker_->deleteLater();
        worker_ = nullptr;
        if (!*sizing || (*sizing)->cancelled) {
            ShowStatus(Q(Tr("sizing cancelled")));
            return;
        }
        if (!(*sizing)->found) {
            ShowStatus(Q(Tr("no base radius passes")));
            return;
        }
        const double radius = (*sizing)->baseRadius;
        model_.Change(Q(Tr("size base radius")), [radius](DesignDocument& d) { d.cam.baseRadius = radius; });
    });
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->show();
    cancel_->show();
    workTimer_.start();
    worker_->start();
}

}  // namespace platecam
