#pragma once
// The one window of the program and its handlers.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "files/design_document.h"
#include "files/dxf.h"
#include "model/cam_design.h"
#include "ui/host.h"
#include "ui/widgets.h"

namespace platecam {

class TForm1 : public QWidget {
public:
    // host answers dialogs and shows messages; the window does not own it.
    explicit TForm1(UiHost& host, QWidget* parent = nullptr);

    CamDesign& Design() { return *design_; }
    const DxfLines& ListBoxLines() const { return listLines_; }
    void SetDecimalMark(char mark) { decimalMark_ = mark; }

    // Handlers, one per control event.
    void FormCreate();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void Button10Click();
    void Button11Click();
    void Button12Click();
    void Timer1Timer();
    void rg3Click();

    // What OPEN does once a file is chosen; also for a file named at start-up. A design
    // file or a design document, told apart by content.
    void OpenDesignFile(const QString& path);

    // Where a document the window cannot show goes when the user agrees: the engineering
    // window. Without it the document is refused as the window always refused it.
    std::function<void(const DesignDocument& document, const QString& path)> OpenElsewhere;

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    MotionGrid* StringGrid1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QListView* ListBox1;
    RadioGroup* RG1;
    QPushButton* Button4;
    QPushButton* Button5;
    RadioGroup* rg2;
    QPushButton* Button6;
    QPushButton* Button7;
    QPushButton* Button8;
    QPushButton* Button9;
    QPushButton* Button10;
    QCheckBox* CheckBox1;
    RadioGroup* rg3;
    QPushButton* Button11;
    QPushButton* Button12;
    ImageControl* Image1;
    ImageControl* Image2;
    FileDialog OpenDialog1{FileDialog::Open, QString()};
    FileDialog SaveDialog1{FileDialog::Save, QStringLiteral("cam.dxf")};
    FileDialog SaveDialog2{FileDialog::Save, QStringLiteral("cam1.dat")};
    AnimationTimer Timer1{50};

private:
    // What the computed samples are made from: the radius and table texts, the law and the
    // resolution the window shows, and the decimal mark the texts are read with.
    struct Inputs {
        QStringList texts;
        int law = 0;
        int stepsPerDegree = 0;
        char decimalMark = '.';
        bool operator==(const Inputs&) const = default;
    };

    template <typename Action>
    void Guarded(Action&& action);
    DesignTexts ReadFormTexts() const;
    Inputs ShownInputs() const;
    void ShowListLines();
    // A document's cam into the edits, the grid and the two choices.
    void ShowDocument(const DesignDocument& document);
    void SaveDocument(const std::string& path);

    // The work of 変位グラフ and of カム計算; a failure throws and leaves the samples
    // counted as not computed.
    void ComputeDisplacement();
    void ComputeContour();
    // Computes again whatever is missing or was made from other inputs than the shown ones.
    void EnsureDisplacement();
    void EnsureContour();
    bool SamplesCurrent() const;
    void ForgetSamples();
    // 動く and ステップ: the timer runs only once the samples are current.
    void StartAnimation(int stepMode);

    UiHost& host_;
    std::unique_ptr<CamDesign> design_;
    DxfLines listLines_;
    QStringListModel listModel_;
    char decimalMark_ = '.';
    std::optional<Inputs> displacementInputs_;  // of the last displacement that completed
    bool contourCurrent_ = false;   // the contour was computed from that displacement
    bool contourComplete_ = false;  // and the roller followed the whole revolution
    // The last document opened: what the window does not show of it (speed, limits,
    // [drawing], [dynamics], [contact]) goes back into a document that SAVE writes.
    std::optional<DesignDocument> openedDocument_;
};

// The user's decimal separator, when it is a single ASCII character; "." otherwise.
char LocaleDecimalMark();

}  // namespace platecam
