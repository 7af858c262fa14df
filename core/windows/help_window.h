#pragma once
// The program's help: a folder of HTML pages (the help file) shown in a
// small window. "index.htm" is the contents page and each topic is the page
// named by its context number ("300.htm"). Pages are read through the
// machine, by their file name in the help folder only; links to web
// addresses open with the desktop's browser.

#include <QTextBrowser>
#include <QWidget>

#include <string>

namespace kp {

namespace win {
class Machine;
}

// The help file's name in the program's folder.
inline constexpr const char* kHelpFileName = "KLENPRO.HLP";
inline constexpr int kHelpContents = 0;
inline constexpr int kHelpUpgradeNotes = 300;

// The page file of a help context.
QString helpPageName(int context);

class HelpBrowser : public QTextBrowser {
public:
    HelpBrowser(win::Machine& machine, std::string helpFolder, QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;

    // Reads a page of the help folder; false when it cannot be read.
    bool readPage(const QString& fileName, QByteArray& out) const;

private:
    win::Machine& machine_;
    std::string helpFolder_;
};

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow(win::Machine& machine, std::string helpFolder, QWidget* parent = nullptr);

    const std::string& helpFolder() const { return helpFolder_; }
    HelpBrowser& browser() { return *browser_; }
    // Shows the page of `context`; false when the page cannot be read.
    bool showTopic(int context);

private:
    std::string helpFolder_;
    HelpBrowser* browser_;
};

// Opens the help window of `owner` (one per owner, made at the first call;
// a top-level window without an owner) at `context`, in front. Null, with
// `problem` set to a sentence for the user, when the page cannot be read.
HelpWindow* ShowHelp(win::Machine& machine, const std::string& helpFolder, int context, QWidget* owner,
                     std::string& problem);

} // namespace kp
