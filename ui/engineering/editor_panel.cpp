#include "ui/engineering/editor_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QApplication>
#include <QPointer>
#include <QVBoxLayout>
#include <charconv>
#include <cmath>

#include "base/language.h"
#include "design/rules.h"
#include "model/cam_design.h"

namespace platecam {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Q(const char* text) { return QString::fromUtf8(text); }

// A number as it is: the shortest text that reads back to it.
QString NumberText(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0).ptr;
    return QString::fromLatin1(buffer, static_cast<int>(end - buffer));
}

QString OptionalText(const std::optional<double>& value) {
    return value ? NumberText(*value) : QString();
}

// "base radius [mm]"
QString Label(const char* label, const char* unit) {
    const QString name = Q(Tr(label));
    return *unit ? name + QStringLiteral(" [") + Q(unit) + QStringLiteral("]") : name;
}

using Kind = engine::FollowerKind;

// A row's lift: millimetres, or degrees of a swinging arm.
const char* LiftUnit(const DesignDocument& d) { return d.follower.kind == Kind::SwingRoller ? "°" : "mm"; }

// An arm at right angles to the line to the cam centre: its triangle closes.
void ArmFor(DesignDocument& d) {
    const double prime = d.cam.baseRadius + d.follower.rollerRadius.value_or(0);
    if (!d.follower.armLength) d.follower.armLength = std::round(2 * prime);
    if (!d.follower.pivotDistance) {
        d.follower.pivotDistance = std::ceil(std::hypot(prime, *d.follower.armLength) * 10) / 10;
    }
}

// The loads' start, which a person changes: a moving mass of 1 kg, or an arm's inertia.
DynamicsSection LoadsStartFor(Kind kind) {
    DynamicsSection loads;
    if (kind == Kind::SwingRoller) {
        loads.inertia = 0.01;
    } else {
        loads.mass = 1.0;
    }
    return loads;
}

// The motion table's columns: the angle, the lift, the law, then a polynomial's conditions.
constexpr int LawColumn = 2;
constexpr const char* ConditionKeys[] = {"velocity", "acceleration", "jerk"};
constexpr const char* ConditionLabels[] = {N_("velocity"), N_("acceleration"), N_("jerk")};

std::optional<double> DocumentRow::*ConditionField(int column) {
    return column == 3 ? &DocumentRow::velocity : column == 4 ? &DocumentRow::acceleration : &DocumentRow::jerk;
}

const char* ColumnKey(int column) { return column == 0 ? "angle" : column == 1 ? "lift" : ConditionKeys[column - 3]; }

}  // namespace

EditorPanel::EditorPanel(DocumentModel& model, QWidget* parent) : QScrollArea(parent), model_(model) {
    setWidgetResizable(true);
    setAccessibleName(Q(Tr("the design's values")));
    auto* inside = new QWidget(this);
    auto* column = new QVBoxLayout(inside);
    setWidget(inside);

    // ---- The cam
    auto* cam = new QGroupBox(Q(Tr("Cam")), inside);
    auto* camForm = new QFormLayout(cam);
    AddNumber(camForm,
              {"cam.base_radius", Q(Tr("base radius")), true,
               [](const DesignDocument& d) { return std::optional<double>(d.cam.baseRadius); },
               [](DesignDocument& d, std::optional<double> v) { d.cam.baseRadius = *v; }, nullptr},
              Label(N_("base radius"), "mm"));
    resolution_ = new QComboBox(cam);
    resolution_->addItems({QStringLiteral("1°"), QStringLiteral("0.5°"), QStringLiteral("0.2°")});
    resolution_->setAccessibleName(Q(Tr("resolution")));
    camForm->addRow(Q(Tr("resolution")), resolution_);
    connect(resolution_, &QComboBox::activated, this, [this](int index) {
        const double values[] = {1, 0.5, 0.2};
        model_.Change(Q(Tr("resolution")), [&](DesignDocument& d) { d.cam.resolution = values[index]; });
    });
    law_ = new QComboBox(cam);
    for (const engine::Law law : engine::Laws()) law_->addItem(Q(engine::LawName(law)));
    law_->setAccessibleName(Q(Tr("motion law")));
    camForm->addRow(Q(Tr("motion law")), law_);
    connect(law_, &QComboBox::activated, this, [this](int index) {
        model_.Change(Q(Tr("motion law")),
                      [&](DesignDocument& d) { d.cam.law = engine::Laws()[static_cast<std::size_t>(index)]; });
    });
    auto optional = [](std::optional<double> CamSection::*field) {
        return std::make_pair(
            std::function<std::optional<double>(const DesignDocument&)>(
                [field](const DesignDocument& d) { return d.cam.*field; }),
            std::function<void(DesignDocument&, std::optional<double>)>(
                [field](DesignDocument& d, std::optional<double> v) { d.cam.*field = v; }));
    };
    const struct {
        const char* key;
        const char* label;
        const char* unit;
        std::optional<double> CamSection::*field;
    } camNumbers[] = {
        {"cam.rpm", N_("speed"), "rpm", &CamSection::rpm},
        {"cam.max_pressure_angle", N_("pressure-angle limit"), "°", &CamSection::maxPressureAngle},
        {"cam.min_base_radius", N_("smallest base radius allowed"), "mm", &CamSection::minBaseRadius},
        {"cam.min_radius_of_curvature", N_("smallest radius of curvature allowed"), "mm",
         &CamSection::minRadiusOfCurvature},
    };
    for (const auto& n : camNumbers) {
        auto [get, set] = optional(n.field);
        AddNumber(camForm, {n.key, Q(Tr(n.label)), false, get, set, nullptr}, Label(n.label, n.unit));
    }
    column->addWidget(cam);

    // ---- The follower
    auto* follower = new QGroupBox(Q(Tr("follower")), inside);
    auto* followerForm = new QFormLayout(follower);
    kind_ = new QComboBox(follower);
    for (const Kind kind : engine::FollowerKinds()) kind_->addItem(Q(engine::FollowerKindName(kind)));
    kind_->setAccessibleName(Q(Tr("follower kind")));
    followerForm->addRow(Q(Tr("follower kind")), kind_);
    connect(kind_, &QComboBox::activated, this, [this](int index) {
        const Kind kind = engine::FollowerKinds()[static_cast<std::size_t>(index)];
        model_.Change(Q(Tr("follower kind")), [&](DesignDocument& d) {
            d.follower.kind = kind;
            // Only the kind's own fields stand; what a kind needs gets a start.
            if (kind != Kind::Roller) d.follower.offset.reset();
            if (kind != Kind::Flat) d.follower.faceWidth.reset();
            if (kind == Kind::Flat) d.follower.rollerRadius.reset();
            if (kind != Kind::Flat && !d.follower.rollerRadius) d.follower.rollerRadius = 10.0;
            if (kind == Kind::SwingRoller) {
                ArmFor(d);
            } else {
                d.follower.armLength.reset();
                d.follower.pivotDistance.reset();
                d.follower.clearance.reset();
            }
            // An arm's loads are torques about its pivot, a slide's forces: the loads
            // start again in the kind's own terms.
            if (d.dynamics) d.dynamics = LoadsStartFor(kind);
        });
    });
    const struct {
        const char* key;
        const char* label;
        std::optional<double> FollowerSection::*field;
        bool required;
        std::initializer_list<Kind> kinds;
    } followerNumbers[] = {
        {"follower.roller_radius", N_("roller radius"), &FollowerSection::rollerRadius, true,
         {Kind::Roller, Kind::SwingRoller}},
        {"follower.offset", N_("offset"), &FollowerSection::offset, false, {Kind::Roller}},
        {"follower.face_width", N_("face width"), &FollowerSection::faceWidth, false, {Kind::Flat}},
        {"follower.arm_length", N_("arm length"), &FollowerSection::armLength, true, {Kind::SwingRoller}},
        {"follower.pivot_distance", N_("pivot distance"), &FollowerSection::pivotDistance, true,
         {Kind::SwingRoller}},
        {"follower.clearance", N_("clearance of pivot and arm"), &FollowerSection::clearance, false,
         {Kind::SwingRoller}},
    };
    for (const auto& n : followerNumbers) {
        const auto field = n.field;
        const std::vector<Kind> kinds(n.kinds);
        AddNumber(followerForm,
                  {n.key, Q(Tr(n.label)), n.required,
                   [field](const DesignDocument& d) { return d.follower.*field; },
                   [field](DesignDocument& d, std::optional<double> v) { d.follower.*field = v; },
                   [kinds](const DesignDocument& d) {
                       for (const Kind k : kinds) {
                           if (d.follower.kind == k) return true;
                       }
                       return false;
                   }},
                  Label(n.label, "mm"));
    }
    column->addWidget(follower);

    // ---- The motion table
    auto* motion = new QGroupBox(Q(Tr("Segments of the motion")), inside);
    auto* motionLayout = new QVBoxLayout(motion);
    table_ = new QTableWidget(0, 6, motion);
    table_->setAccessibleName(Q(Tr("motion table")));
    table_->verticalHeader()->setVisible(true);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setMinimumHeight(220);
    motionLayout->addWidget(table_);
    auto* buttons = new QHBoxLayout;
    insert_ = new QPushButton(Q(Tr("Insert row")), motion);
    delete_ = new QPushButton(Q(Tr("Delete row")), motion);
    insert_->setAccessibleName(insert_->text());
    delete_->setAccessibleName(delete_->text());
    buttons->addWidget(insert_);
    buttons->addWidget(delete_);
    buttons->addStretch();
    motionLayout->addLayout(buttons);
    connect(insert_, &QPushButton::clicked, this, &EditorPanel::InsertRow);
    connect(delete_, &QPushButton::clicked, this, &EditorPanel::DeleteRow);
    connect(table_, &QTableWidget::cellChanged, this, &EditorPanel::CellEdited);
    column->addWidget(motion);

    // ---- [dynamics], [contact]
    dynamics_ = new QGroupBox(Q(Tr("loads at speed")), inside);
    dynamics_->setCheckable(true);
    dynamics_->setAccessibleName(dynamics_->title());
    auto* dynamicsForm = new QFormLayout(dynamics_);
    connect(dynamics_, &QGroupBox::clicked, this, [this](bool on) {
        model_.Change(Q(Tr("loads at speed")), [&](DesignDocument& d) {
            if (!on) {
                d.dynamics.reset();
                return;
            }
            d.dynamics = LoadsStartFor(d.follower.kind);
            if (!d.cam.rpm) d.cam.rpm = 100.0;
        });
    });
    const struct {
        const char* key;
        const char* label;
        const char* unit;
        std::optional<double> DynamicsSection::*field;
        bool required;
        bool arm;  // an arm's key, else a translating follower's
    } dynamicsNumbers[] = {
        {"dynamics.mass", N_("moving mass"), "kg", &DynamicsSection::mass, true, false},
        {"dynamics.spring_rate", N_("spring rate"), "N/mm", &DynamicsSection::springRate, false, false},
        {"dynamics.preload", N_("preload"), "N", &DynamicsSection::preload, false, false},
        {"dynamics.damping", N_("damping"), "N·s/m", &DynamicsSection::damping, false, false},
        {"dynamics.load", N_("external load"), "N", &DynamicsSection::load, false, false},
        {"dynamics.train_stiffness", N_("stiffness of the follower train"), "N/mm", &DynamicsSection::trainStiffness,
         false, false},
        {"dynamics.damping_ratio", N_("damping ratio of the follower train"), "", &DynamicsSection::dampingRatio,
         false, false},
        {"dynamics.inertia", N_("moment of inertia about the pivot"), "kg·m²", &DynamicsSection::inertia, true, true},
        {"dynamics.spring_torque_rate", N_("spring torque rate"), "N·m/rad", &DynamicsSection::springTorqueRate,
         false, true},
        {"dynamics.preload_torque", N_("preload torque"), "N·m", &DynamicsSection::preloadTorque, false, true},
        {"dynamics.damping", N_("damping"), "N·m·s/rad", &DynamicsSection::damping, false, true},
        {"dynamics.load_torque", N_("external load torque"), "N·m", &DynamicsSection::loadTorque, false, true},
    };
    for (const auto& n : dynamicsNumbers) {
        const auto field = n.field;
        const bool arm = n.arm;
        AddNumber(dynamicsForm,
                  {n.key, Q(Tr(n.label)), n.required,
                   [field](const DesignDocument& d) {
                       return d.dynamics ? (*d.dynamics).*field : std::optional<double>();
                   },
                   [field](DesignDocument& d, std::optional<double> v) {
                       if (d.dynamics) (*d.dynamics).*field = v;
                   },
                   [arm](const DesignDocument& d) { return (d.follower.kind == Kind::SwingRoller) == arm; }},
                  Label(n.label, n.unit));
    }
    compensate_ = new QCheckBox(Q(Tr("compensate the contour for the speed")), dynamics_);
    compensate_->setAccessibleName(compensate_->text());
    dynamicsForm->addRow(compensate_);
    connect(compensate_, &QCheckBox::clicked, this, [this](bool on) {
        model_.Change(Q(Tr("compensate the contour for the speed")), [&](DesignDocument& d) {
            if (!d.dynamics) return;
            if (on) {
                d.dynamics->compensate = true;
            } else {
                d.dynamics->compensate.reset();
            }
        });
    });
    column->addWidget(dynamics_);

    contact_ = new QGroupBox(Q(Tr("contact stress")), inside);
    contact_->setCheckable(true);
    contact_->setAccessibleName(contact_->title());
    auto* contactForm = new QFormLayout(contact_);
    connect(contact_, &QGroupBox::clicked, this, [this](bool on) {
        model_.Change(Q(Tr("contact stress")), [&](DesignDocument& d) {
            // Steel on steel, 10 mm wide: a start a person changes.
            if (on) {
                d.contact = ContactSection{10.0, 206000.0, 0.3, {}};
            } else {
                d.contact.reset();
            }
        });
    });
    const struct {
        const char* key;
        const char* label;
        const char* unit;
        std::optional<double> ContactSection::*field;
    } contactNumbers[] = {
        {"contact.width", N_("contact width"), "mm", &ContactSection::width},
        {"contact.elastic_modulus", N_("elastic modulus"), "MPa", &ContactSection::elasticModulus},
        {"contact.poisson_ratio", N_("Poisson's ratio"), "", &ContactSection::poissonRatio},
        {"contact.allowable_stress", N_("allowable contact stress"), "MPa", &ContactSection::allowableStress},
    };
    for (const auto& n : contactNumbers) {
        const auto field = n.field;
        AddNumber(contactForm,
                  {n.key, Q(Tr(n.label)), field != &ContactSection::allowableStress,
                   [field](const DesignDocument& d) {
                       return d.contact ? (*d.contact).*field : std::optional<double>();
                   },
                   [field](DesignDocument& d, std::optional<double> v) {
                       if (d.contact) (*d.contact).*field = v;
                   },
                   nullptr},
                  Label(n.label, n.unit));
    }
    column->addWidget(contact_);

    // ---- [machining]
    machining_ = new QGroupBox(Q(Tr("milling")), inside);
    machining_->setCheckable(true);
    machining_->setAccessibleName(machining_->title());
    auto* machiningForm = new QFormLayout(machining_);
    connect(machining_, &QGroupBox::clicked, this, [this](bool on) {
        model_.Change(Q(Tr("milling")), [&](DesignDocument& d) {
            // A 10 mm end mill, climbing: a start a person changes; the program's feeds
            // and heights are theirs to give.
            if (on) {
                d.machining = MachiningSection{5.0, CutDirection::Climb, {}, {}, {}, {}, {}, {}};
            } else {
                d.machining.reset();
            }
        });
    });
    direction_ = new QComboBox(machining_);
    direction_->addItem(Q(Tr("climb")));
    direction_->addItem(Q(Tr("conventional")));
    direction_->setAccessibleName(Q(Tr("milling direction")));
    connect(direction_, &QComboBox::activated, this, [this](int index) {
        model_.Change(Q(Tr("milling direction")), [&](DesignDocument& d) {
            if (d.machining) d.machining->direction = index == 0 ? CutDirection::Climb : CutDirection::Conventional;
        });
    });
    const struct {
        const char* key;
        const char* label;
        const char* unit;
        std::optional<double> MachiningSection::*field;
        bool required;
    } machiningNumbers[] = {
        {"machining.tool_radius", N_("tool radius"), "mm", &MachiningSection::toolRadius, true},
        {"machining.feed", N_("feed"), "mm/min", &MachiningSection::feed, false},
        {"machining.plunge_feed", N_("plunge feed"), "mm/min", &MachiningSection::plungeFeed, false},
        {"machining.spindle", N_("spindle speed"), "rpm", &MachiningSection::spindle, false},
        {"machining.depth", N_("cutting depth"), "mm", &MachiningSection::depth, false},
        {"machining.safe_z", N_("safe height"), "mm", &MachiningSection::safeZ, false},
        {"machining.lead_in", N_("lead-in radius"), "mm", &MachiningSection::leadIn, false},
    };
    for (const auto& n : machiningNumbers) {
        const auto field = n.field;
        AddNumber(machiningForm,
                  {n.key, Q(Tr(n.label)), n.required,
                   [field](const DesignDocument& d) {
                       return d.machining ? (*d.machining).*field : std::optional<double>();
                   },
                   [field](DesignDocument& d, std::optional<double> v) {
                       if (d.machining) (*d.machining).*field = v;
                   },
                   nullptr},
                  Label(n.label, n.unit));
    }
    machiningForm->addRow(Q(Tr("milling direction")), direction_);
    column->addWidget(machining_);

    // ---- [drawing]
    auto* drawing = new QGroupBox(Q(Tr("title block")), inside);
    auto* drawingForm = new QFormLayout(drawing);
    for (const TitleText& t : TitleTexts()) {
        TextField text{std::string("drawing.") + t.key, t.field, new QLineEdit(drawing)};
        text.edit->setAccessibleName(Q(Tr(t.label)));
        drawingForm->addRow(Q(Tr(t.label)), text.edit);
        texts_.push_back(text);
    }
    for (TextField& text : texts_) {
        connect(text.edit, &QLineEdit::editingFinished, this, [this, &text] {
            if (refreshing_) return;
            const std::string value = text.edit->text().toStdString();
            model_.Change(Q(Tr("title block")), [&](DesignDocument& d) {
                DrawingSection& section = d.drawing ? *d.drawing : d.drawing.emplace();
                if (value.empty()) {
                    (section.*text.field).reset();
                } else {
                    section.*text.field = value;
                }
            });
        });
    }
    const struct {
        const char* key;
        const char* label;
        std::optional<double> DrawingSection::*field;
    } drawingNumbers[] = {
        {"drawing.bore_diameter", N_("bore diameter"), &DrawingSection::boreDiameter},
        {"drawing.min_wall", N_("least wall around the bore"), &DrawingSection::minWall},
    };
    for (const auto& n : drawingNumbers) {
        const auto field = n.field;
        AddNumber(drawingForm,
                  {n.key, Q(Tr(n.label)), false,
                   [field](const DesignDocument& d) {
                       return d.drawing ? (*d.drawing).*field : std::optional<double>();
                   },
                   [field](DesignDocument& d, std::optional<double> v) {
                       DrawingSection& section = d.drawing ? *d.drawing : d.drawing.emplace();
                       section.*field = v;
                   },
                   nullptr},
                  Label(n.label, "mm"));
    }
    column->addWidget(drawing);
    column->addStretch();

    connect(&model_, &DocumentModel::Changed, this, &EditorPanel::Refresh);
    Refresh();
    // As wide as its widest row: the editors scroll only up and down.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMinimumWidth(inside->sizeHint().width() + verticalScrollBar()->sizeHint().width() + 2 * frameWidth());
}

QLineEdit* EditorPanel::AddNumber(QFormLayout* form, Number number, const QString& label) {
    number.edit = new QLineEdit(form->parentWidget());
    number.edit->setAccessibleName(label);
    number.label = new QLabel(label, form->parentWidget());
    form->addRow(number.label, number.edit);
    numbers_.push_back(std::move(number));
    // The list does not move once built: its entries are found by index.
    const std::size_t index = numbers_.size() - 1;
    QLineEdit* edit = numbers_.back().edit;
    connect(edit, &QLineEdit::editingFinished, this, [this, index] { NumberEdited(numbers_[index]); });
    return edit;
}

void EditorPanel::NumberEdited(Number& number) {
    if (refreshing_) return;
    const QString text = number.edit->text().trimmed();
    std::optional<double> value;
    if (!text.isEmpty()) {
        try {
            value = ParseDecimal(text.toStdString(), '.');
        } catch (const CamError& e) {
            Mark(number.edit, true);
            emit Refused(Q(number.key + ": " + e.message()));
            return;
        }
    } else if (number.required) {
        Mark(number.edit, true);
        emit Refused(Q(number.key + ": " + Tr("is missing")));
        return;
    }
    if (value == number.get(model_.Document())) {
        Mark(number.edit, false);
        return;
    }
    model_.Change(number.name, [&](DesignDocument& d) { number.set(d, value); });
}

void EditorPanel::CellEdited(int row, int column) {
    if (refreshing_ || column == LawColumn) return;
    const std::string text = table_->item(row, column)->text().trimmed().toStdString();
    const std::string key = RowKey(static_cast<std::size_t>(row), ColumnKey(column));
    try {
        if (column == 0) {
            const std::int32_t angle = ParseInteger(text);
            model_.Change(Q(Tr("angle")), [&](DesignDocument& d) { d.motion[row].angle = angle; });
        } else if (column > LawColumn) {
            // A condition left empty is none: the polynomial meets its neighbour there.
            const std::optional<double> value = text.empty() ? std::nullopt : std::optional(ParseDecimal(text, '.'));
            const auto field = ConditionField(column);
            model_.Change(Q(Tr(ConditionLabels[column - 3])), [&](DesignDocument& d) { d.motion[row].*field = value; });
        } else {
            const double lift = ParseDecimal(text, '.');
            model_.Change(Q(Tr("lift")), [&](DesignDocument& d) { d.motion[row].lift = lift; });
        }
    } catch (const CamError& e) {
        table_->item(row, column)->setBackground(QColor(255, 200, 200));
        emit Refused(Q(key + ": " + e.message()));
    }
}

void EditorPanel::InsertRow() {
    const int row = table_->currentRow();
    model_.Change(Q(Tr("Insert row")), [&](DesignDocument& d) {
        // A row halfway to the next, at the lift of the row before: a dwell to start from.
        const std::size_t at = row >= 0 && row + 1 < static_cast<int>(d.motion.size())
                                   ? static_cast<std::size_t>(row)
                                   : d.motion.size() - 2;
        DocumentRow added = d.motion[at];
        added.angle = (d.motion[at].angle + d.motion[at + 1].angle) / 2;
        added.law.reset();
        d.motion.insert(d.motion.begin() + static_cast<std::ptrdiff_t>(at) + 1, added);
    });
}

void EditorPanel::DeleteRow() {
    const int row = table_->currentRow();
    if (row < 0) return;
    model_.Change(Q(Tr("Delete row")), [&](DesignDocument& d) {
        if (static_cast<std::size_t>(row) < d.motion.size()) d.motion.erase(d.motion.begin() + row);
    });
}

void EditorPanel::Mark(QWidget* widget, bool marked) {
    widget->setStyleSheet(marked ? QStringLiteral("background: #ffc8c8;") : QString());
}

void EditorPanel::FillTable() {
    const DesignDocument& d = model_.Document();
    table_->setRowCount(static_cast<int>(d.motion.size()));
    // A polynomial's conditions per radian of cam turn, in the lift's unit (an arm's in
    // radians of swing).
    const QString per = d.follower.kind == Kind::SwingRoller ? QStringLiteral("rad/rad") : QStringLiteral("mm/rad");
    table_->setHorizontalHeaderLabels({Q(Tr("angle")) + QStringLiteral(" [°]"),
                                       Q(Tr("lift")) + QStringLiteral(" [") + Q(LiftUnit(d)) + QStringLiteral("]"),
                                       Q(Tr("law")), Q(Tr("velocity")) + QStringLiteral(" [") + per + QStringLiteral("]"),
                                       Q(Tr("acceleration")) + QStringLiteral(" [") + per + QStringLiteral("²]"),
                                       Q(Tr("jerk")) + QStringLiteral(" [") + per + QStringLiteral("³]")});
    for (int row = 0; row < table_->rowCount(); ++row) {
        const DocumentRow& r = d.motion[static_cast<std::size_t>(row)];
        // Items are kept and only their texts set: an edit's own item must outlive the edit.
        const QString texts[6] = {QString::number(r.angle), NumberText(r.lift), QString(),
                                  OptionalText(r.velocity), OptionalText(r.acceleration), OptionalText(r.jerk)};
        for (int column = 0; column < 6; ++column) {
            if (column == LawColumn) continue;
            if (QTableWidgetItem* item = table_->item(row, column)) {
                item->setText(texts[column]);
            } else {
                table_->setItem(row, column, new QTableWidgetItem(texts[column]));
            }
        }
        // A row's law box stays while the row does: an edit made in it refreshes it.
        auto* law = qobject_cast<QComboBox*>(table_->cellWidget(row, 2));
        if (!law) {
            law = new QComboBox(table_);
            law->setAccessibleName(Q(Tr("law")));
            law->addItem(Q(Tr("(the cam's law)")));
            for (const engine::Law l : engine::Laws()) law->addItem(Q(engine::LawName(l)));
            connect(law, &QComboBox::activated, this, [this, row](int index) {
                model_.Change(Q(Tr("law")), [&](DesignDocument& doc) {
                    if (index == 0) {
                        doc.motion[row].law.reset();
                    } else {
                        doc.motion[row].law = engine::Laws()[static_cast<std::size_t>(index - 1)];
                    }
                });
            });
            table_->setCellWidget(row, 2, law);
        }
        const QSignalBlocker block(law);
        law->setCurrentIndex(r.law ? static_cast<int>(*r.law) + 1 : 0);
        law->setEnabled(row > 0);
    }
}

void EditorPanel::Refresh() {
    refreshing_ = true;
    const DesignDocument& d = model_.Document();
    const std::string problem = model_.Problem() ? model_.Problem()->key() : std::string();
    for (Number& n : numbers_) {
        const bool shown = !n.shown || n.shown(d);
        n.edit->setVisible(shown);
        n.label->setVisible(shown);
        n.edit->setText(OptionalText(n.get(d)));
        Mark(n.edit, !problem.empty() && problem == n.key);
    }
    for (TextField& t : texts_) {
        t.edit->setText(d.drawing && (*d.drawing).*t.field ? Q(*((*d.drawing).*t.field)) : QString());
        Mark(t.edit, problem == t.key);
    }
    resolution_->setCurrentIndex(d.cam.resolution == 0.5 ? 1 : d.cam.resolution == 0.2 ? 2 : 0);
    law_->setCurrentIndex(static_cast<int>(d.cam.law));
    kind_->setCurrentIndex(static_cast<int>(d.follower.kind));
    dynamics_->setChecked(d.dynamics.has_value());
    compensate_->setChecked(d.dynamics && d.dynamics->compensate.value_or(false));
    compensate_->setVisible(d.follower.kind != Kind::SwingRoller);
    contact_->setChecked(d.contact.has_value());
    machining_->setChecked(d.machining.has_value());
    direction_->setCurrentIndex(d.machining && d.machining->direction == CutDirection::Conventional ? 1 : 0);
    Mark(dynamics_, problem == "dynamics");
    const QSignalBlocker block(table_);
    FillTable();
    for (int row = 0; row < table_->rowCount(); ++row) {
        for (int column = 0; column < 6; ++column) {
            if (column == LawColumn) continue;
            const bool marked = problem == RowKey(static_cast<std::size_t>(row), ColumnKey(column)) ||
                                problem == RowKey(static_cast<std::size_t>(row), nullptr);
            table_->item(row, column)->setBackground(marked ? QColor(255, 200, 200) : QColor(Qt::white));
        }
    }
    if (problem == "motion") table_->setStyleSheet(QStringLiteral("QTableWidget { border: 2px solid #d00; }"));
    else table_->setStyleSheet(QString());
    refreshing_ = false;
}

void EditorPanel::CommitPendingEdit() {
    QPointer<QWidget> focused = QApplication::focusWidget();
    if (!focused || !isAncestorOf(focused)) return;
    // Losing the focus ends a field's edit and commits a cell's editor (which then closes).
    focused->clearFocus();
    if (focused) focused->setFocus();
}

void EditorPanel::Detach() {
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
    model_.disconnect(this);
}

QWidget* EditorPanel::FieldOf(const std::string& key) const {
    // A key two kinds name in their own units (dynamics.damping): the shown one's.
    QWidget* hidden = nullptr;
    for (const Number& n : numbers_) {
        if (n.key != key) continue;
        if (!n.shown || n.shown(model_.Document())) return n.edit;
        if (!hidden) hidden = n.edit;
    }
    if (hidden) return hidden;
    for (const TextField& t : texts_) {
        if (t.key == key) return t.edit;
    }
    if (key == "cam.resolution") return resolution_;
    if (key == "cam.law") return law_;
    if (key == "follower.kind") return kind_;
    if (key == "machining.direction") return direction_;
    if (key == "dynamics.compensate") return compensate_;
    return nullptr;
}

}  // namespace platecam
