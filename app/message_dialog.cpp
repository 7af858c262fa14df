#include "app/message_dialog.h"

#include "platform/console.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kp {

namespace {

struct ButtonPair {
    MsgButton ours;
    QMessageBox::StandardButton qt;
    const char* name;
};

constexpr ButtonPair kButtons[] = {
    {Yes, QMessageBox::Yes, "Yes"},
    {No, QMessageBox::No, "No"},
    {OK, QMessageBox::Ok, "OK"},
    {Cancel, QMessageBox::Cancel, "Cancel"},
    {Abort, QMessageBox::Abort, "Abort"},
    {Retry, QMessageBox::Retry, "Retry"},
    {Ignore, QMessageBox::Ignore, "Ignore"},
    {All, QMessageBox::YesToAll, "All"},
    {NoToAll, QMessageBox::NoToAll, "No To All"},
    {YesToAll, QMessageBox::YesToAll, "Yes To All"},
    {Help, QMessageBox::Help, "Help"},
};

QString displayText(const std::string& text)
{
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

MsgButton defaultButtonOf(const Message& message)
{
    if (message.defaultButton != NoButton && (message.buttons & message.defaultButton))
        return message.defaultButton;
    for (MsgButton b : {OK, Yes, Retry}) {
        if (message.buttons & b)
            return b;
    }
    for (const ButtonPair& pair : kButtons) {
        if (message.buttons & pair.ours)
            return pair.ours;
    }
    return OK;
}

const char* buttonName(MsgButton button)
{
    for (const ButtonPair& pair : kButtons) {
        if (pair.ours == button)
            return pair.name;
    }
    return "";
}

bool displayAvailable()
{
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

MsgButton DialogMessageService::show(const Message& message)
{
    const MsgButton fallback = defaultButtonOf(message);
    if (!displayAvailable()) {
        std::string out = message.caption + ":\n";
        for (const QString& line : displayText(message.text).split(QLatin1Char('\n')))
            out += "    " + line.toStdString() + "\n";
        out += std::string("    [") + buttonName(fallback) + "]\n";
        win::writeStandardError(out);
        return fallback;
    }

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
