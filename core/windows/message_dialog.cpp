#include "core/windows/message_dialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kp {

namespace {

struct ButtonPair {
    MsgButton ours;
    QMessageBox::StandardButton qt;
};

constexpr ButtonPair kButtons[] = {
    {Yes, QMessageBox::Yes},
    {No, QMessageBox::No},
    {OK, QMessageBox::Ok},
    {Cancel, QMessageBox::Cancel},
    {Abort, QMessageBox::Abort},
    {Retry, QMessageBox::Retry},
    {Ignore, QMessageBox::Ignore},
    {All, QMessageBox::YesToAll},
    {NoToAll, QMessageBox::NoToAll},
    {YesToAll, QMessageBox::YesToAll},
    {Help, QMessageBox::Help},
};

QString displayText(const std::string& text)
{
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

bool displayAvailable()
{
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

bool DialogMessageService::userAnswers() const
{
    return displayAvailable();
}

MsgButton DialogMessageService::show(const Message& message)
{
    if (!displayAvailable())
        return ConsoleMessageService().show(message);
    const MsgButton fallback = defaultButtonOf(message);

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(message.caption));
    box.setText(displayText(message.text));
    switch (message.kind) {
    case MsgKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgKind::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgKind::Information: box.setIcon(QMessageBox::Information); break;
    case MsgKind::Confirmation: box.setIcon(QMessageBox::Question); break;
    }
    QAbstractButton* fallbackButton = nullptr;
    std::vector<std::pair<QAbstractButton*, MsgButton>> made;
    for (const ButtonPair& pair : kButtons) {
        if (!(message.buttons & pair.ours))
            continue;
        QAbstractButton* button = pair.ours == All
            ? static_cast<QAbstractButton*>(box.addButton(QStringLiteral("All"), QMessageBox::YesRole))
            : box.addButton(pair.qt);
        made.emplace_back(button, pair.ours);
        if (pair.ours == fallback)
            fallbackButton = button;
    }
    if (auto* push = qobject_cast<QPushButton*>(fallbackButton))
        box.setDefaultButton(push);
    if (message.kind == MsgKind::Warning || message.kind == MsgKind::Error)
        QApplication::beep();
    box.exec();
    for (const auto& [button, ours] : made) {
        if (box.clickedButton() == button)
            return ours;
    }
    return (message.buttons & Cancel) ? Cancel : fallback;
}

} // namespace kp
