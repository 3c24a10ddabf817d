// The engineering window driven as a person drives it: real key and mouse events on the
// editors, the checks and the plots; its files and exports read back against platecam-batch.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QMenuBar>
#include <QTableWidget>
#include <QTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>

#include "base/language.h"
#include "files/design_document.h"
#include "files/save_file.h"
#include "tests/files/temp_dir.h"
#include "tests/ui/fake_host.h"
#include "ui/engineering/engineering_window.h"

namespace platecam {
namespace {

using testing::TempDir;

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::string Read(const std::string& path) { return ReadWholeFile(path, 1 << 26); }

class FakeEngineeringHost : public EngineeringHost {
public:
    std::optional<QString> FileToOpen(const QString&) override { return Next(); }
    std::optional<QString> FileToSave(const QString& proposed, const QString&) override {
        proposals.push_back(proposed);
        return Next();
    }
    Unsaved AskToSave(const QString&) override {
        ++asked;
        return unsaved;
    }
    void ShowError(const QString& text) override { errors.push_back(text.toStdString()); }

    std::deque<QString> files;
    std::vector<QString> proposals;
    Unsaved unsaved = Unsaved::Cancel;
    int asked = 0;
    std::vector<std::string> errors;

private:
    // An empty name is a cancelled dialog.
    std::optional<QString> Next() {
        if (files.empty()) return std::nullopt;
        const QString next = files.front();
        files.pop_front();
        if (next.isEmpty()) return std::nullopt;
        return next;
    }
};

struct Engineering {
    FakeEngineeringHost host;
    EngineeringWindow window{host};
    Engineering() {
        window.show();
        // The shortcuts go to the active window.
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QLineEdit* Field(const std::string& key) {
        return qobject_cast<QLineEdit*>(window.Editors()->FieldOf(key));
    }
    // Types a value into a field as a person does: click, select all, type, Enter.
    void Type(const std::string& key, const QString& text) {
        QLineEdit* field = Field(key);
        EXPECT_TRUE(field && field->isVisible()) << key;
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    // Chooses an item of a combo box with the keyboard.
    void Choose(QComboBox* combo, int index) {
        combo->setFocus();
        while (combo->currentIndex() < index) QTest::keyClick(combo, Qt::Key_Down);
        while (combo->currentIndex() > index) QTest::keyClick(combo, Qt::Key_Up);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&window, static_cast<Qt::Key>(key), modifiers);
    }
    const DesignDocument& Doc() { return window.Model().Document(); }
};

std::string Example(const std::string& name) { return PLATECAM_SOURCE_DIR "/examples/" + name; }

std::vector<std::string> Examples() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(PLATECAM_SOURCE_DIR "/examples")) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// platecam-batch itself, as a user runs it beside the window; its standard output.
std::string Batch(const std::vector<std::string>& arguments) {
    TempDir dir;
    // In the window's language, which these tests set.
    std::string command = std::string(PLATECAM_BATCH_EXE) + " --lang " +
                          (CurrentLanguage() == Language::Japanese ? "ja" : "en");
    for (const std::string& a : arguments) command += " '" + a + "'";
    command += " > '" + dir.path("out") + "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << command;
    return Read(dir.path("out"));
}

TEST(Engineering, OpensEveryInstalledExampleAndTheClassicWindowHandsThemOver) {
    ASSERT_EQ(Examples().size(), 11u);
    for (const std::string& name : Examples()) {
        Engineering e;
        ASSERT_TRUE(e.window.OpenFile(Q(Example(name)))) << name;
        EXPECT_TRUE(e.host.errors.empty()) << name;
        ASSERT_TRUE(e.window.Result()) << name;
        EXPECT_GE(e.window.Plots()->Charts().size(), 6u) << name;
        EXPECT_GT(e.window.CheckTable()->rowCount(), 2) << name;
    }
    // The classic window offers what it cannot show; "no" changes nothing, "yes" hands the
    // document over, and without a way to ask it refuses as it always did.
    for (const std::optional<bool> answer : {std::optional<bool>(true), std::optional<bool>(false),
                                             std::optional<bool>()}) {
        testing::FormFixture f;
        std::vector<std::string> handed;
        f.form.OpenElsewhere = [&](const DesignDocument& d, const QString& path) {
            handed.push_back(path.toStdString());
            EXPECT_EQ(d.follower.kind, engine::FollowerKind::SwingRoller);
        };
        if (answer) f.host.answers.push_back(*answer);
        f.host.Answer(Q(Example("swing-arm.toml")));
        f.form.Button8Click();
        EXPECT_EQ(handed.size(), answer == std::optional<bool>(true) ? 1u : 0u);
        EXPECT_EQ(f.host.errors.size(), answer ? 0u : 1u);
        EXPECT_EQ(f.form.Edit1->text(), "45") << "the classic window is unchanged";
    }
}

TEST(Engineering, EditsOfALiftALawTheKindAndTheSpeedReachEveryResult) {
    Engineering e;
    ASSERT_TRUE(e.window.OpenFile(Q(Example("cam1.toml"))));
    // A lift in the table: the plots' largest lift and the checks follow.
    QTableWidget* table = e.window.Editors()->Table();
    table->setFocus();
    table->setCurrentCell(4, 1);
    QTest::keyClick(table, Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_TRUE(qobject_cast<QLineEdit*>(editor)) << "the cell's editor has the focus: "
                                                   << (editor ? editor->metaObject()->className() : "none");
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("25"));
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits a cell's editor from its event loop.
    QCoreApplication::processEvents();
    EXPECT_EQ(e.Doc().motion[4].lift, 25);
    EXPECT_EQ(e.Doc().motion[5].lift, 20) << "one cell, one edit";
    ASSERT_TRUE(e.window.Result());
    EXPECT_EQ(e.window.Result()->cam->motion.LargestLift(), 25);
    // A law of one row.
    auto* law = qobject_cast<QComboBox*>(table->cellWidget(2, 2));
    ASSERT_TRUE(law);
    e.Choose(law, 5);  // 3-4-5
    EXPECT_EQ(e.Doc().motion[2].law, engine::Law::Polynomial345);
    EXPECT_EQ(e.window.Result()->cam->motion.Segments()[1].law, engine::Law::Polynomial345);
    // The follower kind: only the flat face's fields, and the flat face on the cam.
    e.Choose(qobject_cast<QComboBox*>(e.window.Editors()->FieldOf("follower.kind")), 1);
    EXPECT_EQ(e.Doc().follower.kind, engine::FollowerKind::Flat);
    EXPECT_FALSE(e.Field("follower.roller_radius")->isVisible());
    EXPECT_TRUE(e.Field("follower.face_width")->isVisible());
    EXPECT_EQ(e.window.Result()->cam->follower.kind, engine::FollowerKind::Flat);
    // The speed: kinematics per second.
    e.Type("cam.rpm", QStringLiteral("300"));
    EXPECT_EQ(e.Doc().cam.rpm, 300);
    EXPECT_NE(e.window.Plots()->Charts()[1].title.find("mm/s"), std::string::npos);
    // A value that breaks a rule: marked, the rule's own words, nothing computed or saved.
    e.Type("cam.base_radius", QStringLiteral("-5"));
    EXPECT_FALSE(e.window.Result());
    EXPECT_NE(e.Field("cam.base_radius")->styleSheet(), QString());
    // The reader's own words for the same value, after its file and line.
    DesignDocument bad = e.Doc();
    std::string refusal;
    try {
        CheckDesignDocument(bad, "doc.toml");
    } catch (const DocumentError& error) {
        refusal = error.message();
    }
    ASSERT_EQ(refusal.rfind("doc.toml: ", 0), 0u);
    EXPECT_EQ(e.window.StatusText().toStdString(), refusal.substr(10));
    EXPECT_NE(refusal.find("cam.base_radius: "), std::string::npos);
    TempDir dir;
    e.host.files.push_back(Q(dir.path("bad.toml")));
    EXPECT_FALSE(e.window.Save());
    EXPECT_FALSE(std::filesystem::exists(dir.path("bad.toml")));
}

TEST(Engineering, UndoAndRedoEveryEditWithTheStandardKeys) {
    Engineering e;
    e.Type("cam.base_radius", QStringLiteral("50"));
    e.Type("follower.roller_radius", QStringLiteral("12"));
    EXPECT_EQ(e.Doc().cam.baseRadius, 50);
    EXPECT_TRUE(e.window.isWindowModified());
    e.Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e.Doc().follower.rollerRadius, 10);
    e.Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e.Doc().cam.baseRadius, 45);
    EXPECT_FALSE(e.window.isWindowModified());
    EXPECT_EQ(e.Field("cam.base_radius")->text(), "45");
    e.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(e.Doc().cam.baseRadius, 50);
    e.Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(e.Doc().follower.rollerRadius, 12);
    EXPECT_EQ(e.window.Result()->cam->follower.rollerRadius, 12);
}

TEST(Engineering, SaveAsThenReopenGivesTheSameBytesAndCloseAsksForUnsavedChanges) {
    TempDir dir;
    std::filesystem::copy_file(Example("loads.toml"), dir.path("loads.toml"));
    Engineering e;
    ASSERT_TRUE(e.window.OpenFile(Q(dir.path("loads.toml"))));
    e.host.files.push_back(Q(dir.path("a.toml")));
    ASSERT_TRUE(e.window.SaveAs());
    const std::string first = Read(dir.path("a.toml"));
    EXPECT_EQ(first, FormatDesignDocument(ReadDesignDocument(dir.path("loads.toml"))));
    ASSERT_TRUE(e.window.OpenFile(Q(dir.path("a.toml"))));
    e.host.files.push_back(Q(dir.path("b.toml")));
    ASSERT_TRUE(e.window.SaveAs());
    EXPECT_EQ(Read(dir.path("b.toml")), first);
    EXPECT_TRUE(e.window.windowTitle().startsWith(QStringLiteral("b.toml")));

    // Unsaved changes: Cancel keeps the window, Save saves, Discard closes.
    e.Type("cam.base_radius", QStringLiteral("47"));
    EXPECT_TRUE(e.window.isWindowModified());
    e.host.unsaved = EngineeringHost::Unsaved::Cancel;
    e.Key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(e.window.isVisible());
    EXPECT_EQ(e.host.asked, 1);
    e.host.unsaved = EngineeringHost::Unsaved::Save;
    EXPECT_TRUE(e.window.close());
    EXPECT_EQ(ReadDesignDocument(dir.path("b.toml")).cam.baseRadius, 47);
    e.window.show();
    e.Type("cam.base_radius", QStringLiteral("48"));
    e.host.unsaved = EngineeringHost::Unsaved::Discard;
    EXPECT_TRUE(e.window.close());
    EXPECT_EQ(ReadDesignDocument(dir.path("b.toml")).cam.baseRadius, 47);
}

TEST(Engineering, ExportsAreTheBatchsBytesForTheSameDocument) {
    TempDir dir;
    for (const char* name : {"loads.toml", "swing-arm.toml", "cam1.toml", "flat-face.toml", "milling.toml"}) {
        std::filesystem::copy_file(Example(name), dir.path(name), std::filesystem::copy_options::overwrite_existing);
        Engineering e;
        ASSERT_TRUE(e.window.OpenFile(Q(dir.path(name))));
        using Export = EngineeringWindow::Export;
        const struct {
            Export kind;
            const char* option;
            const char* file;
        } exports[] = {{Export::Drawing, "--drawing", "d.dxf"}, {Export::Dxf, "--dxf", "c.dxf"},
                       {Export::Csv, "--csv", "s.csv"},        {Export::Json, "--json", "f.json"},
                       {Export::Document, "--save-design", "s.toml"}, {Export::ToolPath, "--toolpath", "t.dxf"},
                       {Export::Gcode, "--gcode", "m.nc"},     {Export::LiftTable, "--lift-table", "l.csv"}};
        for (const auto& x : exports) {
            // The tool's outputs where the document has a tool.
            if (x.kind >= Export::ToolPath && std::string(name) != "milling.toml") continue;
            ASSERT_TRUE(e.window.ExportTo(x.kind, Q(dir.path(std::string("w-") + x.file)))) << name << x.option;
            e.window.WaitForWork();
            Batch({dir.path(name), x.option, dir.path(std::string("b-") + x.file)});
            EXPECT_TRUE(Read(dir.path(std::string("w-") + x.file)) == Read(dir.path(std::string("b-") + x.file)))
                << name << " " << x.option;
        }
        // The report's PDF carries its making's time; its text is the batch's.
        ASSERT_TRUE(e.window.ExportTo(Export::Report, Q(dir.path("w.pdf")))) << name;
        e.window.WaitForWork();
        EXPECT_TRUE(e.host.errors.empty()) << name;
        Batch({dir.path(name), "--report", dir.path("b.pdf")});
        auto text = [&](const std::string& pdf) {
            EXPECT_EQ(std::system(("pdftotext -layout " + dir.path(pdf) + " " + dir.path(pdf + ".txt")).c_str()), 0);
            return Read(dir.path(pdf + ".txt"));
        };
        EXPECT_EQ(text("w.pdf"), text("b.pdf")) << name;
    }
}

TEST(Engineering, AKeyboardOnlySessionFromNewToSave) {
    TempDir dir;
    Engineering e;
    e.Type("cam.base_radius", QStringLiteral("44"));
    e.host.unsaved = EngineeringHost::Unsaved::Discard;
    e.Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(e.Doc().cam.baseRadius, 45) << "a new start-up design";
    // From the first field on, with the keyboard alone.
    QLineEdit* base = e.Field("cam.base_radius");
    base->setFocus();
    ASSERT_TRUE(base->hasFocus());
    QTest::keyClick(base, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(base, QStringLiteral("52.5"));
    QTest::keyClick(base, Qt::Key_Tab);
    // Tab leaves the field: the edit is made; the next control has the focus.
    EXPECT_EQ(e.Doc().cam.baseRadius, 52.5);
    EXPECT_NE(QApplication::focusWidget(), base);
    // A value typed and saved at once, without leaving its field, is saved too.
    QLineEdit* roller = e.Field("follower.roller_radius");
    roller->setFocus();
    QTest::keyClick(roller, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(roller, QStringLiteral("11"));
    e.host.files.push_back(Q(dir.path("keys.toml")));
    QTest::keyClick(roller, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadDesignDocument(dir.path("keys.toml")).cam.baseRadius, 52.5);
    EXPECT_EQ(ReadDesignDocument(dir.path("keys.toml")).follower.rollerRadius, 11);
    EXPECT_TRUE(roller->hasFocus());
    EXPECT_FALSE(e.window.isWindowModified());
    // The first save of a new design asks for a name, proposing a document's.
    ASSERT_EQ(e.host.proposals.size(), 1u);
    EXPECT_TRUE(e.host.proposals.front().endsWith(QStringLiteral(".toml")));
    EXPECT_TRUE(e.window.windowTitle().startsWith(QStringLiteral("keys.toml")));
}

TEST(Engineering, SizingRunsAsideAndIsOneUndoableEdit) {
    Engineering e;
    ASSERT_TRUE(e.window.OpenFile(Q(Example("cam1.toml"))));
    e.window.SizeBaseRadius();
    e.window.WaitForWork();
    TempDir dir;
    Batch({Example("cam1.toml"), "--size-base", "--json", dir.path("s.json")});
    const std::string json = Read(dir.path("s.json"));
    const auto at = json.find("\"base_radius_mm\": ", json.find("\"sizing\""));
    const double sized = std::stod(json.substr(at + 18));
    EXPECT_EQ(e.Doc().cam.baseRadius, sized);
    EXPECT_EQ(e.window.Result()->cam->baseRadius, sized);
    e.Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e.Doc().cam.baseRadius, 45);
}

TEST(Engineering, ChecksAndThePlotsTurnTheCamToTheirAngle) {
    Engineering e;
    ASSERT_TRUE(e.window.OpenFile(Q(Example("offset-roller.toml"))));
    ChecksPanel* checks = e.window.CheckTable();
    ASSERT_GT(checks->rowCount(), 0);
    // The pressure angle's row turns the view to its worst angle.
    const double worst = std::max(e.window.Result()->grid->maxPressure.value,
                                  -e.window.Result()->grid->minPressure.value) == e.window.Result()->grid->maxPressure.value
                             ? e.window.Result()->grid->maxPressure.atDeg
                             : e.window.Result()->grid->minPressure.atDeg;
    const QRect cell = checks->visualItemRect(checks->item(0, 0));
    QTest::mouseClick(checks->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_DOUBLE_EQ(e.window.Cam()->Angle(), worst);
    EXPECT_DOUBLE_EQ(e.window.Plots()->Cursor(), worst);
    // Pointing at the plots turns the cam.
    PlotPanel* plots = e.window.Plots();
    QTest::mouseMove(plots, QPoint(plots->width() / 2, 40));
    QTest::mouseClick(plots, Qt::LeftButton, {}, QPoint(plots->width() / 2, 40));
    EXPECT_NEAR(e.window.Cam()->Angle(), e.window.Plots()->Cursor(), 1e-9);
    EXPECT_GT(e.window.Cam()->Angle(), 100);
    EXPECT_LT(e.window.Cam()->Angle(), 260);
    EXPECT_NE(plots->Readout().indexOf(QStringLiteral("°")), -1);
}

TEST(Engineering, RowsComeAndGoAndFilesArriveByDropAndFromTheRecentMenu) {
    Engineering e;
    ASSERT_TRUE(e.window.OpenFile(Q(Example("cam1.toml"))));
    auto button = [&](const char* text) {
        for (QPushButton* b : e.window.findChildren<QPushButton*>()) {
            if (b->text() == Q(Tr(text))) return b;
        }
        ADD_FAILURE() << text;
        return static_cast<QPushButton*>(nullptr);
    };
    // A row halfway between the chosen one and the next, at the chosen one's lift: a dwell.
    const std::size_t rows = e.Doc().motion.size();
    e.window.Editors()->Table()->setCurrentCell(1, 0);
    QTest::mouseClick(button("Insert row"), Qt::LeftButton);
    ASSERT_EQ(e.Doc().motion.size(), rows + 1);
    EXPECT_EQ(e.Doc().motion[2].angle, (e.Doc().motion[1].angle + e.Doc().motion[3].angle) / 2);
    EXPECT_EQ(e.Doc().motion[2].lift, e.Doc().motion[1].lift);
    EXPECT_EQ(e.window.Editors()->Table()->rowCount(), static_cast<int>(rows + 1));
    ASSERT_TRUE(e.window.Result());
    e.window.Editors()->Table()->setCurrentCell(2, 0);
    QTest::mouseClick(button("Delete row"), Qt::LeftButton);
    EXPECT_EQ(FormatDesignDocument(e.Doc()), FormatDesignDocument(ReadDesignDocument(Example("cam1.toml"))));
    e.Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e.Doc().motion.size(), rows + 1);

    // A file dropped on the window opens (after the question about the unsaved rows).
    e.host.unsaved = EngineeringHost::Unsaved::Discard;
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Q(Example("flat-face.toml")))});
    EXPECT_TRUE(e.window.OpenDropped(mime));
    EXPECT_EQ(e.host.asked, 1);
    EXPECT_EQ(e.Doc().follower.kind, engine::FollowerKind::Flat);
    // The files opened come back first in the recent menu, in a new window too.
    Engineering later;
    QMenu* recent = nullptr;
    for (QMenu* menu : later.window.findChildren<QMenu*>()) {
        if (menu->title() == Q(Tr("Open &Recent"))) recent = menu;
    }
    ASSERT_TRUE(recent);
    ASSERT_GE(recent->actions().size(), 2);
    EXPECT_TRUE(recent->actions()[0]->text().endsWith(QStringLiteral("flat-face.toml")));
    EXPECT_TRUE(recent->actions()[1]->text().endsWith(QStringLiteral("cam1.toml")));
    recent->actions()[1]->trigger();
    EXPECT_EQ(later.Doc().motion.size(), rows);
}

// The values beside the plots at the cursor are the batch's samples at that angle.
TEST(Engineering, TheCursorReadsTheBatchsSamples) {
    Engineering e;
    ASSERT_TRUE(e.window.OpenFile(Q(Example("loads.toml"))));
    e.window.SetAngle(70);
    const QStringList lines = e.window.Plots()->Readout().split(QLatin1Char('\n'));
    std::istringstream csv(Batch({Example("loads.toml"), "--csv", "/dev/stdout"}));
    std::string header, row;
    std::getline(csv, header);
    while (std::getline(csv, row) && row.rfind("70,", 0) != 0) {
    }
    ASSERT_EQ(row.rfind("70,", 0), 0u);
    std::map<std::string, double> sample;
    std::istringstream names(header), values(row);
    for (std::string name, value; std::getline(names, name, ',') && std::getline(values, value, ',');) {
        sample[name] = std::stod(value);
    }
    auto shown = [&](const std::string& title) {
        for (const QString& line : lines) {
            if (line.startsWith(Q(title + ": "))) return line.mid(static_cast<int>(Q(title).size()) + 2).toDouble();
        }
        ADD_FAILURE() << title;
        return 0.0;
    };
    EXPECT_TRUE(lines.front().startsWith(QStringLiteral("70.00")));
    const struct {
        std::string title;
        const char* column;
    } values_[] = {{Tr("displacement [%1]", {"mm"}), "lift_mm"},
                   {Tr("velocity [%1]", {"mm/s"}), "velocity_mm_s"},
                   {Tr("pressure angle [°]"), "pressure_angle_deg"},
                   {Tr("contact force [N]"), "contact_force_N"},
                   {Tr("contact stress [MPa]"), "contact_stress_MPa"}};
    for (const auto& v : values_) {
        const double expected = sample.at(v.column);
        EXPECT_NEAR(shown(v.title), expected, 1e-5 * std::max(1.0, std::fabs(expected))) << v.title;
    }
}

// Each kind shows its own fields; the loads and the contact come on as groups, with a start
// a person then changes, and their plots follow; a title text that breaks the rule is the
// reader's refusal.
// What a design holds beyond the shapes: a polynomial's conditions in the table, the
// loads in the kind's own terms (an arm's as torques), the compensation, the allowable
// stress and the arm's clearance, each reaching the result.
TEST(Engineering, PolynomialConditionsLoadsOfEachKindAndLimitsHaveEditors) {
    Engineering e;
    ASSERT_TRUE(e.window.OpenFile(Q(Example("feed-cam.toml"))));
    QTableWidget* table = e.window.Editors()->Table();
    ASSERT_EQ(table->columnCount(), 6);
    EXPECT_EQ(table->item(5, 5)->text(), QStringLiteral("0")) << "the return's jerk at its end";
    // A velocity at the end of the feed's blend out: the polynomial takes it.
    table->setFocus();
    table->setCurrentCell(3, 3);
    QTest::keyClick(table, Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_TRUE(qobject_cast<QLineEdit*>(editor));
    QTest::keyClicks(editor, QStringLiteral("5"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(e.Doc().motion[3].velocity, 5.0);
    ASSERT_TRUE(e.window.Result() && e.window.Result()->cam);
    // The end of 220-260 degrees at 5 mm/rad, by the slope of the lift either side of it.
    const engine::Motion& motion = e.window.Result()->cam->motion;
    EXPECT_NEAR((motion.At(260) .s - motion.EarlierSide(260 - 1e-4).s) / (1e-4 * 3.141592653589793 / 180), 5, 1e-3);
    // Emptied, the condition is none again: the blend meets the dwell at rest.
    table->setCurrentCell(3, 3);
    QTest::keyClick(table, Qt::Key_F2);
    editor = QApplication::focusWidget();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(e.Doc().motion[3].velocity);
    EXPECT_TRUE(e.window.Result()->cam->motion.Joins().empty());
    // The return made a cycloid: the jerk at its start is met by no polynomial, refused as the
    // reader refuses it, marked with the reader's own key; nothing is computed from it.
    auto* law = qobject_cast<QComboBox*>(table->cellWidget(5, 2));
    ASSERT_TRUE(law);
    e.Choose(law, 1);
    ASSERT_EQ(e.Doc().motion[5].law, engine::Law::Cycloid);
    ASSERT_TRUE(e.window.Model().Problem());
    EXPECT_EQ(e.window.Model().Problem()->key(), RowKey(4, "jerk"));
    EXPECT_EQ(table->item(4, 5)->background().color(), QColor(255, 200, 200));
    EXPECT_FALSE(e.window.Result());
    e.Choose(law, static_cast<int>(engine::Law::Polynomial) + 1);
    EXPECT_FALSE(e.window.Model().Problem());

    // A translating follower's loads: its forces, its train and the compensation.
    auto group = [&](const char* title) {
        for (QGroupBox* g : e.window.findChildren<QGroupBox*>()) {
            if (g->title() == Q(Tr(title))) return g;
        }
        ADD_FAILURE() << title;
        return static_cast<QGroupBox*>(nullptr);
    };
    auto toggle = [&](QGroupBox* g) {
        g->setFocus();
        QTest::keyClick(g, Qt::Key_Space);
    };
    toggle(group("loads at speed"));
    ASSERT_TRUE(e.Doc().dynamics);
    for (const char* key : {"dynamics.mass", "dynamics.train_stiffness", "dynamics.damping_ratio"}) {
        EXPECT_TRUE(e.Field(key)->isVisible()) << key;
    }
    EXPECT_FALSE(e.Field("dynamics.inertia")->isVisible());
    e.Type("dynamics.train_stiffness", QStringLiteral("5000"));
    e.Type("dynamics.damping_ratio", QStringLiteral("0.05"));
    auto* compensate = qobject_cast<QCheckBox*>(e.window.Editors()->FieldOf("dynamics.compensate"));
    ASSERT_TRUE(compensate && compensate->isVisible());
    compensate->setFocus();
    QTest::keyClick(compensate, Qt::Key_Space);
    EXPECT_EQ(e.Doc().dynamics->compensate, true);
    ASSERT_TRUE(e.window.Result()) << e.window.StatusText().toStdString();
    ASSERT_TRUE(e.window.Result()->vibration);
    toggle(group("contact stress"));
    e.Type("contact.allowable_stress", QStringLiteral("1"));
    ASSERT_TRUE(e.window.Result()->Check(CheckCode::ContactStress));
    EXPECT_EQ(e.window.Result()->Check(CheckCode::ContactStress)->verdict, Verdict::Fail);

    // An arm: its loads start again as torques, the translating keys hidden and gone.
    e.Choose(qobject_cast<QComboBox*>(e.window.Editors()->FieldOf("follower.kind")), 2);
    ASSERT_TRUE(e.Doc().dynamics);
    EXPECT_FALSE(e.Doc().dynamics->mass);
    EXPECT_FALSE(e.Doc().dynamics->trainStiffness);
    EXPECT_EQ(e.Doc().dynamics->inertia, 0.01);
    EXPECT_TRUE(e.Field("dynamics.spring_torque_rate")->isVisible());
    EXPECT_FALSE(e.Field("dynamics.mass")->isVisible());
    EXPECT_FALSE(compensate->isVisible());
    e.Type("dynamics.damping", QStringLiteral("0.002"));
    EXPECT_EQ(e.Doc().dynamics->damping, 0.002);
    e.Type("follower.clearance", QStringLiteral("1000"));
    ASSERT_TRUE(e.window.Result()->Check(CheckCode::ArmClearance));
    EXPECT_EQ(e.window.Result()->Check(CheckCode::ArmClearance)->verdict, Verdict::Fail);
    e.Choose(qobject_cast<QComboBox*>(e.window.Editors()->FieldOf("follower.kind")), 0);
    EXPECT_FALSE(e.Doc().follower.clearance);
    EXPECT_EQ(e.Doc().dynamics->mass, 1.0);
}

TEST(Engineering, EachKindItsFieldsAndTheGroupsTurnOnWithAStart) {
    Engineering e;
    const struct {
        int kind;
        std::vector<std::string> shown, hidden;
    } kinds[] = {
        {0, {"follower.roller_radius", "follower.offset"}, {"follower.face_width", "follower.arm_length"}},
        {1, {"follower.face_width"}, {"follower.roller_radius", "follower.offset", "follower.pivot_distance"}},
        {2, {"follower.roller_radius", "follower.arm_length", "follower.pivot_distance"},
         {"follower.offset", "follower.face_width"}},
    };
    for (const auto& k : kinds) {
        e.Choose(qobject_cast<QComboBox*>(e.window.Editors()->FieldOf("follower.kind")), k.kind);
        for (const std::string& key : k.shown) EXPECT_TRUE(e.Field(key)->isVisible()) << k.kind << key;
        for (const std::string& key : k.hidden) EXPECT_FALSE(e.Field(key)->isVisible()) << k.kind << key;
    }
    e.Choose(qobject_cast<QComboBox*>(e.window.Editors()->FieldOf("follower.kind")), 0);
    auto group = [&](const char* title) {
        for (QGroupBox* g : e.window.findChildren<QGroupBox*>()) {
            if (g->title() == Q(Tr(title))) return g;
        }
        ADD_FAILURE() << title;
        return static_cast<QGroupBox*>(nullptr);
    };
    const std::size_t motionCharts = e.window.Plots()->Charts().size();
    auto toggle = [&](QGroupBox* g) {
        g->setFocus();
        QTest::keyClick(g, Qt::Key_Space);
    };
    toggle(group("loads at speed"));
    ASSERT_TRUE(e.Doc().dynamics);
    EXPECT_EQ(e.Doc().dynamics->mass, 1.0);
    EXPECT_EQ(e.Doc().cam.rpm, 100.0) << "the loads need a speed";
    EXPECT_GT(e.window.Plots()->Charts().size(), motionCharts);
    toggle(group("contact stress"));
    ASSERT_TRUE(e.Doc().contact);
    EXPECT_EQ(e.window.Plots()->Charts().back().title, Tr("contact stress [MPa]"));
    e.Type("dynamics.mass", QStringLiteral("2.5"));
    EXPECT_EQ(e.Doc().dynamics->mass, 2.5);
    toggle(group("loads at speed"));
    EXPECT_FALSE(e.Doc().dynamics);
    e.Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e.Doc().dynamics->mass, 2.5);

    // A right-to-left mark in a title text: refused as the reader refuses it.
    QLineEdit* part = qobject_cast<QLineEdit*>(e.window.Editors()->FieldOf("drawing.part_number"));
    ASSERT_TRUE(part);
    part->setFocus();
    QTest::keyClicks(part, QStringLiteral("K-1"));
    // Typed as an input method gives it: a key with no code of its own.
    QTest::sendKeyEvent(QTest::Click, part, Qt::Key_unknown, QString(QChar(0x202E)), Qt::NoModifier);
    QTest::keyClicks(part, QStringLiteral("2"));
    QTest::keyClick(part, Qt::Key_Return);
    EXPECT_FALSE(e.window.Result());
    EXPECT_NE(e.window.StatusText().indexOf(QStringLiteral("drawing.part_number")), -1);
    std::string refusal;
    try {
        ParseDesignDocument(FormatDesignDocument(e.Doc()), "d.toml");
    } catch (const CamError& error) {
        refusal = error.message();
    }
    EXPECT_NE(refusal.find(e.window.StatusText().toStdString()), std::string::npos) << refusal;
}

// A 264-byte design file opens as a document; saving proposes a document beside it and
// never writes over the design file.
TEST(Engineering, ADesignFileIsShownAsADocumentAndNeverWrittenOver) {
    TempDir dir;
    std::filesystem::copy_file(PLATECAM_SOURCE_DIR "/examples/cam1.dat", dir.path("cam1.dat"));
    const std::string before = Read(dir.path("cam1.dat"));
    Engineering e;
    ASSERT_TRUE(e.window.OpenFile(Q(dir.path("cam1.dat"))));
    EXPECT_EQ(FormatDesignDocument(e.Doc()), Read(Example("cam1.toml")));
    e.Type("cam.base_radius", QStringLiteral("50"));
    e.host.files.push_back(QString());  // the dialog cancelled
    e.Key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(e.host.proposals.size(), 1u);
    EXPECT_EQ(e.host.proposals[0].toStdString(), dir.path("cam1.toml"));
    EXPECT_EQ(Read(dir.path("cam1.dat")), before);
    EXPECT_TRUE(e.window.isWindowModified());
}

// Every control a person can reach with the keyboard has a name a screen reader says.
TEST(Engineering, EveryControlHasAnAccessibleName) {
    for (const char* example : {"loads.toml", "swing-arm.toml"}) {
        Engineering e;
        ASSERT_TRUE(e.window.OpenFile(Q(Example(example))));
        int controls = 0;
        for (QWidget* w : e.window.findChildren<QWidget*>()) {
            if (w->focusPolicy() == Qt::NoFocus || !w->isVisible() || w->isWindow()) continue;
            ++controls;
            EXPECT_FALSE(w->accessibleName().isEmpty())
                << example << ": " << w->metaObject()->className() << " " << w->objectName().toStdString();
        }
        EXPECT_GT(controls, 30) << example;
    }
}

TEST(Engineering, SpeaksTheLanguageOfTheLocale) {
    const Language before = CurrentLanguage();
    for (const char* locale : {"ja_JP.UTF-8", "C"}) {
        setenv("LC_ALL", locale, 1);
        UseLanguage(LanguageFromEnvironment(), PLATECAM_TEST_LOCALE_DIR);
        Engineering e;
        const QString file = e.window.menuBar()->actions().front()->text();
        EXPECT_EQ(file, std::string(locale) == "C" ? QStringLiteral("&File") : QStringLiteral("ファイル(&F)"));
    }
    unsetenv("LC_ALL");
    UseLanguage(before, PLATECAM_TEST_LOCALE_DIR);
}

}  // namespace
}  // namespace platecam

