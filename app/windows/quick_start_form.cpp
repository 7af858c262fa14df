#include "app/windows/quick_start_form.h"

#include "ui_TQSform.h"

#include "app/rtf_to_html.h"
#include "app/small_window_geometry.h"
#include "core/identity.h"
#include "platform/files/text_file.h"
#include "platform/machine.h"
#include "settings/general_settings.h"

#include <QGuiApplication>
#include <QScreen>

namespace kp {

namespace {
constexpr std::size_t kTextLimit = 4u << 20;
}

std::string quickStartFile(win::Machine& machine)
{
    std::string folder = machine.currentDirectory();
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder + "purgeqst.rtf";
}

TQSform::TQSform(win::Machine* machine, GeneralSettings& general, QWidget* mainWindow)
    : QDialog(mainWindow)
    , ui_(std::make_unique<Ui::TQSform>())
    , machine_(machine)
    , general_(general)
    , mainWindow_(mainWindow)
{
    ui_->setupUi(this);
    setWindowTitle(QString::fromLatin1(identity::ProductName) + QStringLiteral(" - Quick Start Information"));
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && screen->depth() > 8) {
        for (QWidget* panel : {ui_->PanelTop, ui_->PanelLeft, ui_->PanelRight, ui_->PanelBottom})
            panel->setStyleSheet(QStringLiteral("QFrame#%1 { background-color: rgb(192, 192, 160); }")
                                     .arg(panel->objectName()));
    }
    // At least 360 by 240, and the bottom row whole.
    setMinimumSize(minimumSizeHint().expandedTo(QSize(360, 240)));
    connect(ui_->QScheckBox, &QCheckBox::clicked, this, &TQSform::QScheckBoxClick);
    connect(ui_->QSexit, &QPushButton::clicked, this, &QDialog::close);
}

TQSform::~TQSform() = default;

void TQSform::showWindow()
{
    ui_->QScheckBox->setChecked(general_.QuickStartOpt == "N");
    loadText();
    show();
    raise();
    activateWindow();
}

QString TQSform::shownText() const
{
    return ui_->QSrichEdit->toPlainText();
}

void TQSform::loadText()
{
    const std::string file = machine_ ? quickStartFile(*machine_) : std::string("purgeqst.rtf");
    std::string rtf;
    if (machine_ && win::readTextFile(*machine_, file, rtf, kTextLimit) == win::err::SUCCESS) {
        ui_->QSrichEdit->setHtml(RtfToHtml(rtf));
        return;
    }
    ui_->QSrichEdit->setPlainText(QStringLiteral("...Unable to locate the text file to display.\n\n...The file - ")
                                  + QString::fromStdString(file) + QStringLiteral(" must be in the ")
                                  + QString::fromLatin1(identity::ProductName)
                                  + QStringLiteral(" execution folder."));
}

void TQSform::QScheckBoxClick(bool checked)
{
    general_.QuickStartOpt = checked ? "N" : "S";
}

bool TQSform::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        FormActivate();
    }
    return QDialog::event(event);
}

void TQSform::FormActivate()
{
    const QScreen* screen = mainWindow_ && mainWindow_->screen() ? mainWindow_->screen()
                                                                  : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect main = mainWindow_ ? mainWindow_->frameGeometry() : QRect();
    const QRect placed = QuickStartGeometry(size(), screen->availableGeometry(), main, screen->logicalDotsPerInchY());
    resize(placed.size());
    move(placed.topLeft());
}

} // namespace kp
