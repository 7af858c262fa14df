#include "app/rtf_to_html.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

namespace kp {

namespace {

// Windows-1252 at 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

QChar fromCp1252(unsigned char c)
{
    if (c >= 0x80 && c < 0xA0)
        return QChar(kCp1252High[c - 0x80]);
    return QChar(c);
}

struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0; // 0: the browser's size

    bool operator==(const CharFormat&) const = default;
};

struct GroupState {
    CharFormat format;
    bool skipped = false;
    int unicodeSkip = 1; // characters after \uN that stand in for it
};

// Destinations whose text is not part of the document.
bool skippedDestination(std::string_view word)
{
    static constexpr std::string_view kWords[] = {
        "fonttbl", "colortbl", "stylesheet", "info",  "pict",    "object",    "header",    "footer",
        "headerl", "headerr",  "footerl",    "footerr", "listtable", "listoverridetable", "rsidtbl",
        "generator", "xmlnstbl", "themedata", "datastore", "latentstyles", "fldinst", "filetbl"};
    for (std::string_view w : kWords) {
        if (w == word)
            return true;
    }
    return false;
}

class HtmlWriter {
public:
    void text(QChar c, const CharFormat& format)
    {
        if (!runOpen_ || format != runFormat_) {
            closeRun();
            openRun(format);
        }
        switch (c.unicode()) {
        case '<': paragraph_ += QLatin1String("&lt;"); break;
        case '>': paragraph_ += QLatin1String("&gt;"); break;
        case '&': paragraph_ += QLatin1String("&amp;"); break;
        default: paragraph_ += c;
        }
        empty_ = false;
    }
    void lineBreak()
    {
        closeRun();
        paragraph_ += QLatin1String("<br>");
        empty_ = false;
    }
    void setAlignment(const char* align) { align_ = align; }
    void endParagraph()
    {
        closeRun();
        html_ += QStringLiteral("<p style=\"margin:0; white-space:pre-wrap; text-align:%1\">").arg(QLatin1String(align_));
        html_ += empty_ ? QStringLiteral("&nbsp;") : paragraph_;
        html_ += QLatin1String("</p>");
        paragraph_.clear();
        empty_ = true;
    }
    QString finish()
    {
        if (!empty_)
            endParagraph();
        return html_;
    }

private:
    void openRun(const CharFormat& f)
    {
        QStringList style;
        if (f.bold)
            style << QStringLiteral("font-weight:bold");
        if (f.italic)
            style << QStringLiteral("font-style:italic");
        if (f.underline)
            style << QStringLiteral("text-decoration:underline");
        if (f.halfPoints > 0)
            style << QStringLiteral("font-size:%1pt").arg(f.halfPoints / 2.0);
        paragraph_ += QStringLiteral("<span style=\"%1\">").arg(style.join(QLatin1String("; ")));
        runFormat_ = f;
        runOpen_ = true;
    }
    void closeRun()
    {
        if (runOpen_)
            paragraph_ += QLatin1String("</span>");
        runOpen_ = false;
    }

    QString html_;
    QString paragraph_;
    const char* align_ = "left";
    bool empty_ = true;
    bool runOpen_ = false;
    CharFormat runFormat_;
};

} // namespace

QString RtfToHtml(std::string_view rtf)
{
    HtmlWriter out;
    std::vector<GroupState> groups(1);
    bool groupStart = false; // the next control word opens a group
    int pendingSkip = 0;     // stand-in characters of a \uN still to drop
    std::size_t i = 0;
    const std::size_t n = rtf.size();
    auto put = [&](QChar c) {
        if (pendingSkip > 0) {
            --pendingSkip;
            return;
        }
        if (!groups.back().skipped)
            out.text(c, groups.back().format);
    };

    while (i < n) {
        const char c = rtf[i];
        if (c == '{') {
            groups.push_back(groups.back());
            groupStart = true;
            ++i;
            continue;
        }
        if (c == '}') {
            if (groups.size() > 1)
                groups.pop_back();
            groupStart = false;
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            groupStart = false;
            put(QChar(fromCp1252(static_cast<unsigned char>(c))));
            ++i;
            continue;
        }
        // A control symbol or word.
        ++i;
        if (i >= n)
            break;
        const char s = rtf[i];
        GroupState& g = groups.back();
        if (!std::isalpha(static_cast<unsigned char>(s))) {
            ++i;
            switch (s) {
            case '\\':
            case '{':
            case '}': put(QChar(s)); break;
            case '~': put(QChar(0x00A0)); break;
            case '_': put(QChar(0x2011)); break;
            case '*':
                if (groupStart)
                    g.skipped = true;
                break;
            case '\'':
                if (i + 2 <= n) {
                    bool ok = false;
                    const int value = QByteArray(rtf.data() + i, 2).toInt(&ok, 16);
                    i += 2;
                    if (ok)
                        put(fromCp1252(static_cast<unsigned char>(value)));
                }
                break;
            case '\r':
            case '\n':
                if (!g.skipped && pendingSkip == 0)
                    out.endParagraph();
                break;
            default: break;
            }
            groupStart = false;
            continue;
        }
        const std::size_t wordStart = i;
        while (i < n && std::isalpha(static_cast<unsigned char>(rtf[i])))
            ++i;
        const std::string_view word = rtf.substr(wordStart, i - wordStart);
        bool hasParam = false;
        long param = 0;
        const std::size_t paramStart = i;
        if (i < n && (rtf[i] == '-' || std::isdigit(static_cast<unsigned char>(rtf[i])))) {
            ++i;
            while (i < n && std::isdigit(static_cast<unsigned char>(rtf[i])) && i - paramStart < 10)
                ++i;
            param = std::strtol(std::string(rtf.substr(paramStart, i - paramStart)).c_str(), nullptr, 10);
            hasParam = i - paramStart > 1 || rtf[paramStart] != '-';
        }
        if (i < n && rtf[i] == ' ')
            ++i;
        const bool opening = groupStart;
        groupStart = false;
        if (opening && skippedDestination(word)) {
            g.skipped = true;
            continue;
        }
        if (g.skipped)
            continue;
        const bool on = !hasParam || param != 0;
        if (word == "par") {
            out.endParagraph();
        } else if (word == "line") {
            out.lineBreak();
        } else if (word == "tab") {
            put(QChar('\t'));
        } else if (word == "b") {
            g.format.bold = on;
        } else if (word == "i") {
            g.format.italic = on;
        } else if (word == "ul") {
            g.format.underline = on;
        } else if (word == "ulnone") {
            g.format.underline = false;
        } else if (word == "fs") {
            g.format.halfPoints = hasParam && param > 0 && param < 2000 ? int(param) : 0;
        } else if (word == "plain") {
            g.format = CharFormat{};
        } else if (word == "pard" || word == "ql" || word == "qj") {
            out.setAlignment("left");
        } else if (word == "qc") {
            out.setAlignment("center");
        } else if (word == "qr") {
            out.setAlignment("right");
        } else if (word == "uc") {
            g.unicodeSkip = hasParam && param >= 0 ? int(param) : 1;
        } else if (word == "u" && hasParam) {
            put(QChar(char16_t(param < 0 ? param + 65536 : param)));
            pendingSkip = g.unicodeSkip;
        } else if (word == "emdash") {
            put(QChar(0x2014));
        } else if (word == "endash") {
            put(QChar(0x2013));
        } else if (word == "bullet") {
            put(QChar(0x2022));
        } else if (word == "lquote" || word == "rquote") {
            put(QChar(word == "lquote" ? 0x2018 : 0x2019));
        } else if (word == "ldblquote" || word == "rdblquote") {
            put(QChar(word == "ldblquote" ? 0x201C : 0x201D));
        }
    }
    return out.finish();
}

} // namespace kp
