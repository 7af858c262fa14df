#include "zones/windows/klen_zona_dialog.h"

#include "ui_TKlenZona.h"

#include "core/windows/dialog_frame.h"
#include "zones/zone_mask_add.h"

#include <QScreen>

namespace kp {

TKlenZona::TKlenZona(ZoneSettings& settings, MessageService& messages, QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::TKlenZona>())
    , settings_(settings)
    , messages_(messages)
{
    ui_->setupUi(this);
    setWindowTitle(QString::fromStdString(KlenZonaCaption()));
    connect(ui_->AddToZoneBtn, &QPushButton::clicked, this, &TKlenZona::AddToZoneBtnClick);
    connect(ui_->Cancelbtn, &QPushButton::clicked, this, &TKlenZona::CancelbtnClick);
    if (QScreen* shown = screen())
        resize(KlenZonaSizeFor(size(), shown->logicalDotsPerInch()));
    fixDialogFrame(*this);
}

TKlenZona::~TKlenZona() = default;

void TKlenZona::prepare(const QString& suggestion, const QString& resultCaption, int zone)
{
    ui_->ZoneToAdd->setText(suggestion);
    ui_->LabelResult->setText(resultCaption);
    zone_ = zone;
}

void TKlenZona::AddToZoneBtnClick()
{
    if (AddZoneMask(settings_, messages_, ui_->ZoneToAdd->text().toStdString(), zone_))
        accept();
}

void TKlenZona::CancelbtnClick()
{
    reject();
}

} // namespace kp
