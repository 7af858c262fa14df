#include "config/windows/extra_form.h"

#include "ui_TExtraForm.h"

#include "config/dialog_scale.h"
#include "config/mode_sections.h"
#include "core/ie_version.h"
#include "settings/option_set_store.h"
#include "settings/purge_option_table.h"
#include "settings/settings_file.h"
#include "settings/window_placement.h"

#include <QScreen>

namespace kp {

TExtraForm::TExtraForm(win::Machine& machine, const FolderSet& folders, const IeVersion& ie, QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::TExtraForm>())
    , machine_(machine)
    , folders_(folders)
    , ie_(ie)
{
    ui_->setupUi(this);
    connect(ui_->SaveOptionsSBtn, &QPushButton::clicked, this, &TExtraForm::SaveOptionsSBtnClick);
    connect(ui_->ExitSBtn, &QPushButton::clicked, this, &TExtraForm::ExitSBtnClick);
    connect(ui_->AllOnBtn, &QPushButton::clicked, this, &TExtraForm::AllOnBtnClick);
    connect(ui_->AllOffBtn, &QPushButton::clicked, this, &TExtraForm::AllOffBtnClick);
    FormCreate();
}

TExtraForm::~TExtraForm() = default;

void TExtraForm::FormCreate()
{
    // The designed size is what the layout asks for at 96 pixels per inch.
    ensurePolished();
    const QSize designed = sizeHint();
    const int ppi = screen() ? qRound(screen()->logicalDotsPerInchY()) : 96;
    const int percent = ExtraFormScalePercent(ppi);
    resize(MulDiv(designed.width(), percent, 100), MulDiv(designed.height(), percent, 100));
}

void TExtraForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

QCheckBox* TExtraForm::optionBox(const PurgeOptionField& field) const
{
    return findChild<QCheckBox*>(QLatin1String(field.checkBox));
}

QLineEdit* TExtraForm::ageField(const AgeLimitField& field) const
{
    return findChild<QLineEdit*>(QLatin1String(field.key));
}

void TExtraForm::FormActivate()
{
    if (ie_.ie5) {
        for (const PurgeOptionField& f : PurgeOptionFields)
            if (f.ie5Box)
                optionBox(f)->setEnabled(true);
    }
    Ie5Boxes enabled;
    for (const PurgeOptionField& f : PurgeOptionFields)
        if (f.ie5Box)
            enabled.*f.ie5Box = optionBox(f)->isEnabled();
    SettingsFile file(machine_, folders_);
    const PurgeOptionSet o = LoadModeOwnOptions(file, modePrefix_, enabled);
    for (const PurgeOptionField& f : PurgeOptionFields)
        optionBox(f)->setChecked(o.*f.flag);
    for (const AgeLimitField& f : AgeLimitFields)
        ageField(f)->setText(QString::fromStdString(o.*f.text));
    (o.ReportOpt == 1 ? ui_->ReportsRG1Summary : ui_->ReportsRG1Detail)->setChecked(true);
}

void TExtraForm::SaveOptionsSBtnClick()
{
    PurgeOptionSet o;
    Ie5Boxes enabled;
    for (const PurgeOptionField& f : PurgeOptionFields) {
        o.*f.flag = optionBox(f)->isChecked();
        if (f.ie5Box)
            enabled.*f.ie5Box = optionBox(f)->isEnabled();
    }
    for (const AgeLimitField& f : AgeLimitFields)
        o.*f.text = ageField(f)->text().toStdString();
    o.ReportOpt = ui_->ReportsRG1Summary->isChecked() ? 1 : 0;
    SettingsFile file(machine_, folders_);
    SaveOptionSet(file, modePrefix_, o, enabled);
}

void TExtraForm::ExitSBtnClick() { reject(); }

void TExtraForm::setAllOptions(bool on)
{
    // The Internet Explorer 5 boxes only with that browser.
    for (const PurgeOptionField& f : PurgeOptionFields)
        if (!f.ie5Box || ie_.ie5)
            optionBox(f)->setChecked(on);
}

void TExtraForm::AllOnBtnClick() { setAllOptions(true); }
void TExtraForm::AllOffBtnClick() { setAllOptions(false); }

} // namespace kp
