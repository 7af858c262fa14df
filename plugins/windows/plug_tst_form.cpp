#include "plugins/windows/plug_tst_form.h"

#include "ui_TPlugTstForm.h"

#include "core/identity.h"
#include "plugins/plugin_run.h"
#include "plugins/windows/plugin_window_placement.h"

namespace kp {

namespace {
constexpr std::string_view kPlacementName = "PlugTstForm";
} // namespace

TPlugTstForm::TPlugTstForm(PurgeContext& context, QString pluginName, std::vector<std::string> lines,
                           QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::TPlugTstForm>())
    , context_(context)
    , pluginName_(std::move(pluginName))
    , lines_(std::move(lines))
{
    ui_->setupUi(this);
    setWindowTitle(QString::fromLatin1(identity::ProductName) + QStringLiteral(" - Test Selected Plugin"));
    connect(ui_->CloseTstBtn, &QPushButton::clicked, this, &TPlugTstForm::CloseTstBtnClick);
    loadPluginWindowPlacement(*this, context_, kPlacementName);
}

TPlugTstForm::~TPlugTstForm() = default;

void TPlugTstForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TPlugTstForm::done(int result)
{
    savePluginWindowPlacement(*this, context_, kPlacementName);
    QDialog::done(result);
}

void TPlugTstForm::FormActivate()
{
    ui_->Label2->setText(pluginName_);
    ui_->ListViewT->setUpdatesEnabled(false);
    ui_->ListViewT->clear();
    PluginRunContext plugin;
    plugin.lines = lines_;
    plugin.output = [this](const QString& line) { ui_->ListViewT->addItem(line); };
    plugin.detail = true;
    plugin.noDelete = true;
    plugin.test = true;
    RunPluginLines(context_, plugin);
    ui_->ListViewT->setUpdatesEnabled(true);
}

void TPlugTstForm::CloseTstBtnClick()
{
    close();
}

QStringList TPlugTstForm::listedLines() const
{
    QStringList out;
    for (int i = 0; i < ui_->ListViewT->count(); ++i)
        out << ui_->ListViewT->item(i)->text();
    return out;
}

} // namespace kp
