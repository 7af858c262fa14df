#include "core/windows/message_dialog.h"

#include "core/windows/dialog_frame.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kp {

namespace {

struct ButtonPair {
    MsgButton ours;
    QMessageBox::StandardButton qt;
};

// The property that names a box button's MsgButton.
constexpr char kAnswerProperty[] = "msgButton";

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

std::unique_ptr<QMessageBox> makeMessageBox(const Message& message, QWidget* owner)
{
    auto box = std::make_unique<QMessageBox>(owner);
    box->setWindowFlags(dialogFlags());
    box->setWindowTitle(QString::fromStdString(message.caption));
    box->setText(displayText(message.text));
    switch (message.kind) {
    case MsgKind::Warning: box->setIcon(QMessageBox::Warning); break;
    case MsgKind::Error: box->setIcon(QMessageBox::Critical); break;
    case MsgKind::Information: box->setIcon(QMessageBox::Information); break;
    case MsgKind::Confirmation: box->setIcon(QMessageBox::Question); break;
    }
    const MsgButton fallback = defaultButtonOf(message);
    for (const ButtonPair& pair : kButtons) {
        if (!(message.buttons & pair.ours))
            continue;
        QPushButton* button = pair.ours == All ? box->addButton(QStringLiteral("All"), QMessageBox::YesRole)
                                               : box->addButton(pair.qt);
        button->setProperty(kAnswerProperty, unsigned(pair.ours));
        if (pair.ours == fallback)
            box->setDefaultButton(button);
    }
    return box;
}

MsgButton answerOf(const QMessageBox& box, const Message& message)
{
    if (const QAbstractButton* clicked = box.clickedButton()) {
        const QVariant answer = clicked->property(kAnswerProperty);
        if (answer.isValid())
            return MsgButton(answer.toUInt());
    }
    return (message.buttons & Cancel) ? Cancel : defaultButtonOf(message);
}

bool DialogMessageService::userAnswers() const
{
    return displayAvailable();
}

MsgButton DialogMessageService::show(const Message& message)
{
    if (!displayAvailable())
        return ConsoleMessageService().show(message);
    const std::unique_ptr<QMessageBox> box = makeMessageBox(message, dialogOwner());
    if (message.kind == MsgKind::Warning || message.kind == MsgKind::Error)
        QApplication::beep();
    box->exec();
    return answerOf(*box, message);
}

} // namespace kp
