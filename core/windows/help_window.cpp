#include "core/windows/help_window.h"

#include "core/identity.h"
#include "platform/files/text_file.h"
#include "platform/win32.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace kp {

namespace {
constexpr qsizetype kPageLimit = 4 << 20;

// Only a plain file name of the help folder: no folders, no drive.
bool plainFileName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && !name.contains(QLatin1Char(':')) && name != QLatin1String(".") && name != QLatin1String("..");
}
} // namespace

QString helpPageName(int context)
{
    return context == kHelpContents ? QStringLiteral("index.htm") : QStringLiteral("%1.htm").arg(context);
}

HelpBrowser::HelpBrowser(win::Machine& machine, std::string helpFolder, QWidget* parent)
    : QTextBrowser(parent)
    , machine_(machine)
    , helpFolder_(std::move(helpFolder))
{
    setOpenExternalLinks(true);
}

bool HelpBrowser::readPage(const QString& fileName, QByteArray& out) const
{
    if (!plainFileName(fileName))
        return false;
    std::string bytes;
    if (win::readTextFile(machine_, helpFolder_ + "\\" + fileName.toStdString(), bytes, kPageLimit)
        != win::err::SUCCESS)
        return false;
    out = QByteArray::fromStdString(bytes);
    return true;
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (!name.scheme().isEmpty() && name.scheme() != QLatin1String("file"))
        return {};
    QByteArray bytes;
    if (!readPage(name.fileName(), bytes))
        return {};
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
        return QString::fromUtf8(bytes);
    return bytes;
}

HelpWindow::HelpWindow(win::Machine& machine, std::string helpFolder, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , helpFolder_(helpFolder)
    , browser_(new HelpBrowser(machine, std::move(helpFolder), this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("%1 Help").arg(QLatin1String(identity::ProductName)));
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    auto* contents = new QPushButton(QStringLiteral("Contents"), this);
    auto* back = new QPushButton(QStringLiteral("Back"), this);
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    back->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, [this] { showTopic(kHelpContents); });
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    setMinimumSize(360, 240);
    resize(560, 460);
}

bool HelpWindow::showTopic(int context)
{
    const QString page = helpPageName(context);
    QByteArray bytes;
    if (!browser_->readPage(page, bytes))
        return false;
    browser_->setSource(QUrl(page));
    return true;
}

HelpWindow* ShowHelp(win::Machine& machine, const std::string& helpFolder, int context, QWidget* owner,
                     std::string& problem)
{
    HelpWindow* window = nullptr;
    if (owner) {
        for (HelpWindow* open : owner->findChildren<HelpWindow*>(Qt::FindDirectChildrenOnly)) {
            if (open->helpFolder() == helpFolder)
                window = open;
        }
    }
    const bool made = !window;
    if (made)
        window = new HelpWindow(machine, helpFolder, owner);
    if (!window->showTopic(context)) {
        problem = "The help file " + helpFolder + " has no page " + helpPageName(context).toStdString()
                  + ".\r\nIt must be in the " + identity::ProductName + " execution folder.";
        if (made)
            delete window;
        return nullptr;
    }
    if (!owner)
        window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace kp
