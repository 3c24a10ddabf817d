#include "ui/main_form.h"

#include <QFile>
#include <QLocale>
#include <QStyledItemDelegate>
#include <charconv>

#include "design/window.h"
#include "files/design_file.h"
#include "files/save_file.h"
#include "model/displacement.h"
#include "base/errors.h"
#include "model/pressure.h"
#include "model/profile.h"
#include "ui/cam_view.h"
#include "ui/charts.h"

namespace platecam {

namespace {

QPushButton* MakeButton(QWidget* parent, const QString& caption, int left, int top, int width,
                        int height) {
    auto* button = new PushButton(caption, parent);
    button->setGeometry(left, top, width, height);
    return button;
}

// The Windows face first; where it is missing the IPA gothic stands in.
QFont WindowFont(int pixels) {
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("IPAGothic")});
    font.setPixelSize(pixels);
    return font;
}

std::string FileSystemPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString QText(const std::string& utf8) { return QString::fromStdString(utf8); }

constexpr int ListItemHeight = 12;

// A document's number exactly as it is: the shortest text that reads back to it, with the
// user's decimal mark (the window's own format keeps 15 digits only).
QString ExactText(double value, char decimalMark) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0);
    std::string text(buffer, result.ptr);
    for (char& c : text) {
        if (c == '.') c = decimalMark;
    }
    return QString::fromStdString(text);
}

bool NamesADocument(const QString& path) { return path.endsWith(QStringLiteral(".toml"), Qt::CaseInsensitive); }

constexpr int StepsPerDegreeOf(int resolutionItem) {
    constexpr int steps[] = {1, 2, 5};
    return steps[resolutionItem >= 0 && resolutionItem < 3 ? resolutionItem : 0];
}

// The DXF list shows its lines at a fixed pitch, whatever the font's natural height.
class FixedHeightDelegate : public QStyledItemDelegate {
public:
    FixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), height_);
    }

private:
    int height_;
};

}  // namespace

namespace msg {
inline constexpr const char* ContourIncomplete =
    "the cam contour is not complete: no DXF can be written";
}  // namespace msg

char LocaleDecimalMark() {
    const QString point = QLocale::system().decimalPoint();
    if (point.size() == 1 && point[0].unicode() < 0x80) return static_cast<char>(point[0].unicode());
    return '.';
}

TForm1::TForm1(UiHost& host, QWidget* parent)
    : QWidget(parent), host_(host), design_(std::make_unique<CamDesign>()) {
    setWindowTitle(QStringLiteral("カム計算"));
    move(248, 20);
    setFixedSize(919, 753);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(191, 205, 219));
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(WindowFont(12));
    const QFont labelFont = WindowFont(16);

    Label1 = new QLabel(QStringLiteral("基礎円半径"), this);
    Label1->setGeometry(8, 56, 80, 16);
    Label1->setFont(labelFont);
    Label2 = new QLabel(QStringLiteral("従動子半径"), this);
    Label2->setGeometry(8, 88, 80, 16);
    Label2->setFont(labelFont);
    Edit1 = new QLineEdit(QStringLiteral("45"), this);
    Edit1->setGeometry(120, 56, 81, 20);
    Edit2 = new QLineEdit(QStringLiteral("10"), this);
    Edit2->setGeometry(120, 88, 81, 20);
    StringGrid1 = new MotionGrid(this);
    StringGrid1->setGeometry(8, 120, 289, 145);
    Button1 = MakeButton(this, QStringLiteral("変位グラフ"), 208, 312, 89, 25);
    Button2 = MakeButton(this, QStringLiteral("カム計算"), 208, 376, 89, 25);
    Button3 = MakeButton(this, QStringLiteral("DXF変換"), 16, 488, 89, 25);
    ListBox1 = new QListView(this);
    ListBox1->setGeometry(16, 528, 281, 121);
    ListBox1->setModel(&listModel_);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setItemDelegate(new FixedHeightDelegate(ListItemHeight, ListBox1));
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RG1 = new RadioGroup(this, QStringLiteral("曲線選択"),
                         {QStringLiteral("サイクロイド曲線(CY)"), QStringLiteral("変形台形曲線(MT)"),
                          QStringLiteral("変形正弦曲線(MS)")},
                         1);
    RG1->setGeometry(8, 304, 185, 97);
    RG1->SetItemIndex(0);
    Button4 = MakeButton(this, QStringLiteral("圧力角グラフ"), 208, 408, 89, 25);
    Button5 = MakeButton(this, QStringLiteral("動く"), 16, 456, 89, 25);
    rg2 = new RadioGroup(this, QString(),
                         {QStringLiteral("全体"), QStringLiteral("拡大1"), QStringLiteral("拡大2")}, 3);
    rg2->setGeometry(8, 408, 185, 41);
    rg2->SetItemIndex(0);
    Button6 = MakeButton(this, QStringLiteral("停止"), 112, 456, 89, 25);
    Button7 = MakeButton(this, QStringLiteral("ステップ"), 208, 456, 89, 25);
    Button8 = MakeButton(this, QStringLiteral("OPEN"), 8, 16, 75, 25);
    Button9 = MakeButton(this, QStringLiteral("SAVE"), 88, 16, 75, 25);
    Button10 = MakeButton(this, QStringLiteral("コロ軌跡"), 208, 344, 89, 25);
    CheckBox1 = new QCheckBox(QStringLiteral("点出力"), this);
    CheckBox1->setGeometry(120, 488, 97, 17);
    rg3 = new RadioGroup(this, QStringLiteral("分割数"),
                         {QStringLiteral("1度"), QStringLiteral("0.5度"), QStringLiteral("0.2度")}, 3);
    rg3->setGeometry(176, 8, 137, 33);
    rg3->SetItemIndex(0);
    Button11 = MakeButton(this, QStringLiteral("挿入"), 8, 272, 81, 25);
    Button12 = MakeButton(this, QStringLiteral("削除"), 104, 272, 81, 25);
    Image1 = new ImageControl(this, 320, 8, 409, 225);
    Image2 = new ImageControl(this, 320, 240, 409, 409);
    for (ImageControl* image : {Image1, Image2}) image->Surface().SetFont(WindowFont(12));

    QWidget* order[] = {Edit1,   Edit2,   StringGrid1, Button1,  Button2,  Button3, ListBox1,
                        RG1,     Button4, Button5,     rg2,      Button6,  Button7, Button8,
                        Button9, Button10, CheckBox1,  rg3,      Button11, Button12};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    auto connect = [this](QPushButton* button, void (TForm1::*handler)()) {
        QObject::connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    connect(Button1, &TForm1::Button1Click);
    connect(Button2, &TForm1::Button2Click);
    connect(Button3, &TForm1::Button3Click);
    connect(Button4, &TForm1::Button4Click);
    connect(Button5, &TForm1::Button5Click);
    connect(Button6, &TForm1::Button6Click);
    connect(Button7, &TForm1::Button7Click);
    connect(Button8, &TForm1::Button8Click);
    connect(Button9, &TForm1::Button9Click);
    connect(Button10, &TForm1::Button10Click);
    connect(Button11, &TForm1::Button11Click);
    connect(Button12, &TForm1::Button12Click);
    QObject::connect(&rg3->Buttons(), &QButtonGroup::idClicked, this, [this] { rg3Click(); });
    QObject::connect(&Timer1.Timer(), &QTimer::timeout, this, [this] { Timer1Timer(); });

    decimalMark_ = LocaleDecimalMark();
    FormCreate();
}

template <typename Action>
void TForm1::Guarded(Action&& action) {
    // No exception may reach Qt's event loop: every failure ends the handler here and
    // is shown in the error box.
    try {
        action();
    } catch (const CamError& error) {
        host_.ShowError(QText(error.message()));
    } catch (const std::bad_alloc&) {
        host_.ShowError(QText(Message(msg::OutOfMemory)));
    } catch (const std::exception& error) {
        host_.ShowError(QText(error.what()));
    }
}

void TForm1::FormCreate() {
    rg3Click();
    StringGrid1->SetCell(1, 0, QStringLiteral("角度"));
    StringGrid1->SetCell(2, 0, QStringLiteral("変位"));
    for (int r = 1; r <= MotionGrid::RowCount; ++r) {
        StringGrid1->SetCell(0, r, QString::number(r));
        StringGrid1->SetCell(1, r, QStringLiteral("0"));
        StringGrid1->SetCell(2, r, QStringLiteral("0"));
    }
    const char* angles[] = {"0", "30", "90", "110", "170", "180", "260", "360"};
    const char* values[] = {"0", "0", "10", "10", "20", "20", "0", "0"};
    for (int r = 1; r <= 8; ++r) {
        StringGrid1->SetCell(1, r, QString::fromLatin1(angles[r - 1]));
        StringGrid1->SetCell(2, r, QString::fromLatin1(values[r - 1]));
    }
    design_->MotionTable = {};
    ForgetSamples();
    for (ImageControl* image : {Image1, Image2}) DrawImageFrame(image->Surface());
    design_->AnimationAngle = 0;
    design_->StepMode = 0;
}

void TForm1::rg3Click() { design_->StepsPerDegree = StepsPerDegreeOf(rg3->ItemIndex()); }

DesignTexts TForm1::ReadFormTexts() const {
    DesignTexts texts;
    texts.BaseRadiusText = Edit1->text().toStdString();
    texts.RollerRadiusText = Edit2->text().toStdString();
    for (int r = 1; r <= MotionRowCount; ++r) {
        texts.AngleTexts[r - 1] = StringGrid1->Cell(1, r).toStdString();
        texts.ValueTexts[r - 1] = StringGrid1->Cell(2, r).toStdString();
    }
    return texts;
}

TForm1::Inputs TForm1::ShownInputs() const {
    Inputs inputs;
    inputs.texts.reserve(2 + 2 * MotionRowCount);
    inputs.texts << Edit1->text() << Edit2->text();
    for (int r = 1; r <= MotionRowCount; ++r) {
        inputs.texts << StringGrid1->Cell(1, r) << StringGrid1->Cell(2, r);
    }
    inputs.law = RG1->ItemIndex();
    inputs.stepsPerDegree = StepsPerDegreeOf(rg3->ItemIndex());
    inputs.decimalMark = decimalMark_;
    return inputs;
}

void TForm1::ForgetSamples() {
    displacementInputs_.reset();
    contourCurrent_ = false;
    contourComplete_ = false;
}

bool TForm1::SamplesCurrent() const {
    return contourCurrent_ && displacementInputs_ && *displacementInputs_ == ShownInputs();
}

void TForm1::ComputeDisplacement() {
    // Whatever happens below, the samples no longer belong to earlier inputs.
    ForgetSamples();
    rg3Click();
    const Inputs inputs = ShownInputs();
    CamDesign& d = *design_;
    LoadDesignFromTexts(d, ReadFormTexts(), decimalMark_);
    ScanMaxDisplacement(d);
    BuildDisplacement(d, RG1->ItemIndex());
    ImageSurface& image = Image1->Surface();
    DrawChartGrid(image, 4, 4, 0, 360, 0, d.MaxDisplacement, decimalMark_);
    const int N = RevolutionSamples(d);
    PlotCurve(image, d.Displacement, 0, N - 1, 0, N - 1, d.MaxDisplacement, 0, 5, 2);
    displacementInputs_ = inputs;
}

void TForm1::ComputeContour() {
    contourCurrent_ = false;
    CamDesign& d = *design_;
    ComputePitchCurve(d);
    ImageSurface& image = Image2->Surface();
    DrawPitchView(image, d);
    const ProfileStatus status = ComputeCamProfile(d);
    // The roller test's stop is no failure: the contour is drawn as far as it goes.
    if (!status.completed) host_.ShowInformation(QText(Message(msg::RollerTooLarge)));
    const double S = WholeViewSpan(d);
    DrawPointLoop(image, 0, RevolutionSamples(d) - 1, 0, 0, S, S, d.CamProfile);
    contourCurrent_ = true;
    contourComplete_ = status.completed;
}

void TForm1::EnsureDisplacement() {
    if (!displacementInputs_ || *displacementInputs_ != ShownInputs()) ComputeDisplacement();
}

void TForm1::EnsureContour() {
    EnsureDisplacement();
    if (!contourCurrent_) ComputeContour();
}

void TForm1::Button1Click() {
    Guarded([this] { ComputeDisplacement(); });
}

void TForm1::Button4Click() {
    Guarded([this] {
        EnsureContour();
        CamDesign& d = *design_;
        ComputePressureAngles(d);
        ImageSurface& image = Image1->Surface();
        DrawChartGrid(image, 4, 4, 0, 360, d.MinPressureAngle, d.MaxPressureAngle, decimalMark_);
        const int N = RevolutionSamples(d);
        PlotCurve(image, d.PressureAngle, 0, N - 1, 0, N - 1, d.MaxPressureAngle,
                  d.MinPressureAngle, 4, 2);
    });
}

void TForm1::Button10Click() {
    Guarded([this] {
        EnsureDisplacement();
        ComputePitchCurve(*design_);
        DrawPitchView(Image2->Surface(), *design_);
    });
}

void TForm1::Button2Click() {
    Guarded([this] {
        EnsureDisplacement();
        ComputeContour();
    });
}

void TForm1::Timer1Timer() {
    // A tick never computes (it would redraw the charts and could open a message box
    // under a running timer): once the window shows other inputs than the animated cam
    // was made from, 分割数 above all, the animation stops there without a frame. 動く or
    // ステップ then computes again and goes on from the same angle.
    if (!SamplesCurrent()) {
        Timer1.SetEnabled(false);
        return;
    }
    CamDesign& d = *design_;
    try {
        DrawAnimationFrame(Image2->Surface(), d, rg2->ItemIndex(), d.AnimationAngle);
    } catch (...) {
        // A frame that cannot be drawn ends the animation before its message is shown,
        // so the message appears once and not at every tick.
        Timer1.SetEnabled(false);
        Guarded([] { throw; });
        return;
    }
    ++d.AnimationAngle;
    if (d.AnimationAngle > 359 && d.StepMode == 0) {
        d.AnimationAngle = 0;
        Timer1.SetEnabled(false);
        return;
    }
    if (d.StepMode == 1) {
        Timer1.SetEnabled(false);
        // A step past the last frame starts the next revolution.
        if (d.AnimationAngle > 359) d.AnimationAngle = 0;
    }
}

void TForm1::StartAnimation(int stepMode) {
    bool ready = false;
    Guarded([&] {
        EnsureContour();
        ready = true;
    });
    if (!ready) {
        Timer1.SetEnabled(false);
        return;
    }
    design_->StepMode = stepMode;
    Timer1.SetEnabled(true);
}

void TForm1::Button5Click() { StartAnimation(0); }

void TForm1::Button6Click() { Timer1.SetEnabled(false); }

void TForm1::Button7Click() { StartAnimation(1); }

void TForm1::ShowListLines() {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(listLines_.size()));
    for (std::size_t i = 0; i < listLines_.size(); ++i) {
        const std::string_view line = listLines_[i];
        lines.append(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    }
    listModel_.setStringList(lines);
}

void TForm1::Button3Click() {
    Guarded([this] {
        EnsureContour();
        // A contour the roller test stopped holds points of no cam at all: no part is cut
        // from it.
        if (!contourComplete_) {
            listLines_.Clear();
            ShowListLines();
            throw CamError(Message(msg::ContourIncomplete));
        }
        BuildDxf(listLines_, *design_, CheckBox1->isChecked());
        ShowListLines();
        if (!host_.Execute(SaveDialog1)) return;
        WriteDxfFile(FileSystemPath(SaveDialog1.fileName), listLines_);
    });
}

void TForm1::Button8Click() {
    // A cancelled dialog changes nothing: the window keeps the user's edits.
    bool confirmed = false;
    Guarded([&] { confirmed = host_.Execute(OpenDialog1); });
    if (confirmed) OpenDesignFile(OpenDialog1.fileName);
}

void TForm1::OpenDesignFile(const QString& path) {
    // Named on the command line or confirmed in the dialog: the dialog proposes it next.
    OpenDialog1.fileName = path;
    Guarded([this] {
        const std::string file = FileSystemPath(OpenDialog1.fileName);
        const std::string bytes = ReadDesignBytes(file);
        if (IsDesignDocument(bytes)) {
            ShowDocument(ParseDesignDocument(bytes, file));
            return;
        }
        CamDesign& d = *design_;
        d.MotionTable = DecodeDesign(bytes, file);
        openedDocument_.reset();
        // The radii and table now come from the file: the next computation reads the window.
        ForgetSamples();
        d.BaseRadius = d.MotionTable[BaseRadiusSlot].Value;
        d.RollerRadius = d.MotionTable[RollerRadiusSlot].Value;
        const DesignTexts texts = TextsFromTable(d.MotionTable, decimalMark_);
        Edit1->setText(QText(texts.BaseRadiusText));
        Edit2->setText(QText(texts.RollerRadiusText));
        for (int r = 1; r <= MotionRowCount; ++r) {
            StringGrid1->SetCell(1, r, QText(texts.AngleTexts[r - 1]));
            StringGrid1->SetCell(2, r, QText(texts.ValueTexts[r - 1]));
        }
    });
}

void TForm1::ShowDocument(const DesignDocument& document) {
    // A cam the window cannot show is refused whole: nothing in the window changes.
    const std::string key = KeyTheWindowCannotShow(document);
    if (!key.empty()) {
        // The engineering window shows every design: offered, and "no" changes nothing.
        if (OpenElsewhere) {
            const std::optional<bool> yes = host_.Ask(QText(
                Tr("The window cannot show %1 of this design. Open it in the engineering window?", {key})));
            if (yes) {
                if (*yes) OpenElsewhere(document, OpenDialog1.fileName);
                return;
            }
        }
        throw CamError(Tr("the window cannot show %1 of this design; platecam-batch computes it", {key}));
    }
    CamDesign& d = *design_;
    d.MotionTable = TableFromDocument(document);
    ForgetSamples();
    d.BaseRadius = d.MotionTable[BaseRadiusSlot].Value;
    d.RollerRadius = d.MotionTable[RollerRadiusSlot].Value;
    Edit1->setText(ExactText(d.BaseRadius, decimalMark_));
    Edit2->setText(ExactText(d.RollerRadius, decimalMark_));
    for (int r = 1; r <= MotionRowCount; ++r) {
        const bool row = r <= static_cast<int>(document.motion.size());
        StringGrid1->SetCell(1, r, row ? QString::number(document.motion[r - 1].angle) : QStringLiteral("0"));
        StringGrid1->SetCell(2, r, row ? ExactText(document.motion[r - 1].lift, decimalMark_) : QStringLiteral("0"));
    }
    RG1->SetItemIndex(*engine::WindowLawIndex(document.cam.law));
    const int steps = document.StepsPerDegree();
    rg3->SetItemIndex(steps == 5 ? 2 : steps == 2 ? 1 : 0);
    rg3Click();
    openedDocument_ = document;
}

void TForm1::SaveDocument(const std::string& path) {
    DesignDocument document = DocumentFromTable(design_->MotionTable, RG1->ItemIndex(),
                                                StepsPerDegreeOf(rg3->ItemIndex()), path);
    if (openedDocument_) {
        // What the window does not show is written back as it was read.
        const DesignDocument& kept = *openedDocument_;
        document.cam.rpm = kept.cam.rpm;
        document.cam.maxPressureAngle = kept.cam.maxPressureAngle;
        document.cam.minBaseRadius = kept.cam.minBaseRadius;
        document.cam.minRadiusOfCurvature = kept.cam.minRadiusOfCurvature;
        document.follower.offset = kept.follower.offset;
        document.dynamics = kept.dynamics;
        document.drawing = kept.drawing;
        document.contact = kept.contact;
        document.machining = kept.machining;
    }
    SaveDesignDocument(path, document);
}

void TForm1::Button9Click() {
    Guarded([this] {
        LoadDesignFromTexts(*design_, ReadFormTexts(), decimalMark_);
        if (!host_.Execute(SaveDialog2)) return;
        // The name decides the kind: a design document for ".toml", else the 264-byte file.
        if (NamesADocument(SaveDialog2.fileName)) {
            SaveDocument(FileSystemPath(SaveDialog2.fileName));
            return;
        }
        WriteDesignFile(FileSystemPath(SaveDialog2.fileName), design_->MotionTable);
    });
}

void TForm1::Button11Click() {
    const int r = StringGrid1->CurrentRow();
    const int R = MotionGrid::RowCount;
    for (int k = R; k >= r + 1; --k) {
        for (int c = 1; c <= 2; ++c) StringGrid1->SetCell(c, k, StringGrid1->Cell(c, k - 1));
    }
    StringGrid1->SetCell(1, r, QStringLiteral("0"));
    StringGrid1->SetCell(2, r, QStringLiteral("0"));
}

void TForm1::Button12Click() {
    const int r = StringGrid1->CurrentRow();
    const int R = MotionGrid::RowCount;
    for (int k = r; k <= R - 1; ++k) {
        for (int c = 1; c <= 2; ++c) StringGrid1->SetCell(c, k, StringGrid1->Cell(c, k + 1));
    }
    StringGrid1->SetCell(1, R, QStringLiteral("0"));
    StringGrid1->SetCell(2, R, QStringLiteral("0"));
}

}  // namespace platecam
