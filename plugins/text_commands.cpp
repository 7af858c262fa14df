// DELTEXT and DELEXML: lines and elements removed from a text file, which is
// then replaced as a whole (written beside it, flushed, renamed over it), so
// that a failure leaves the old file as it was.

#include "platform/files/win_path.h"
#include "plugins/plugin_interpreter.h"
#include "plugins/plugin_labels.h"
#include "plugins/text_lines.h"
#include "purge/purge_context.h"

namespace kp {

namespace {

bool blankLine(const std::string& line)
{
    return line.find_first_not_of(' ') == std::string::npos;
}

// The first complete element <N ...>...</N> or <N .../> of the lines, by the
// simple scanner: only the first "/" or "<" after the start decides.
struct ElementSpan {
    std::size_t startLine = 0, startColumn = 0, endLine = 0, endColumn = 0;
};

class ElementScanner {
public:
    explicit ElementScanner(const std::string& name)
        : startMarker_("<" + name)
        , endMarker_("</" + name + ">")
    {
    }

    bool find(const std::vector<std::string>& lines, ElementSpan& span) const
    {
        int state = 0;
        for (std::size_t i = 0; i < lines.size() && state < 3; ++i) {
            const std::string upper = win::upperAscii(lines[i]);
            if (state == 0) {
                const std::size_t at = upper.find(startMarker_);
                if (at == std::string::npos)
                    continue;
                const std::size_t after = at + startMarker_.size();
                if (after >= upper.size() || (upper[after] != ' ' && upper[after] != '>'))
                    continue;
                span = {i, at, i, at};
                state = 1;
                state = afterMark(upper, i, at + 1, state, span);
            } else if (state == 1) {
                state = afterMark(upper, i, 0, state, span);
            } else if (state == 2) {
                const std::size_t end = upper.find(endMarker_);
                if (end != std::string::npos) {
                    span.endLine = i;
                    span.endColumn = end + endMarker_.size() - 1;
                    state = 3;
                }
            }
        }
        return state == 3;
    }

private:
    int afterMark(const std::string& upper, std::size_t line, std::size_t from, int state, ElementSpan& span) const
    {
        const std::size_t mark = upper.find_first_of("/<", from);
        if (mark == std::string::npos)
            return state;
        if (upper[mark] == '<' && upper.compare(mark, endMarker_.size(), endMarker_) != 0)
            return 2;
        if (upper.compare(mark, 2, "/>") == 0) {
            span.endLine = line;
            span.endColumn = mark + 1;
            return 3;
        }
        if (upper.compare(mark, endMarker_.size(), endMarker_) == 0) {
            span.endLine = line;
            span.endColumn = mark + endMarker_.size() - 1;
            return 3;
        }
        return state;
    }

    std::string startMarker_;
    std::string endMarker_;
};

} // namespace

void PluginInterpreter::deleteText(const PluginCommand& command)
{
    const std::string path = commandFilePath(command);
    std::vector<std::string> lines;
    if (!context().machine || readTextLines(*context().machine, path, lines) != win::err::SUCCESS) {
        add(plugin_label::FileNotFound + path);
        return;
    }
    const std::string& text = command.FoldString;
    bool removed = false;
    for (std::size_t i = lines.size(); i-- > 0;) {
        if (cancelled()) {
            addCancelLine();
            break;
        }
        const std::string upper = win::upperAscii(lines[i]);
        if (text.empty() || upper.find(text) == std::string::npos)
            continue;
        addDetail((preview() ? plugin_label::ToDelete : plugin_label::Deleted) + upper);
        lines.erase(lines.begin() + std::ptrdiff_t(i));
        removed = true;
        count();
    }
    if (!preview() && removed && writeTextLines(*context().machine, path, lines) != win::err::SUCCESS)
        add(plugin_label::NotUpdated + path);
}

void PluginInterpreter::deleteXmlElements(const PluginCommand& command)
{
    const std::string path = commandFilePath(command);
    std::vector<std::string> lines;
    if (!context().machine || readTextLines(*context().machine, path, lines) != win::err::SUCCESS) {
        add(plugin_label::FileNotFound + path);
        return;
    }
    const std::string label = preview() ? plugin_label::ToDelete : plugin_label::Deleted;
    const ElementScanner scanner(command.FoldString);
    bool removed = false;
    ElementSpan e;
    while (!command.FoldString.empty() && scanner.find(lines, e)) {
        std::string& first = lines[e.startLine];
        if (e.startLine == e.endLine) {
            const std::size_t length = e.endColumn - e.startColumn + 1;
            add(label + first.substr(e.startColumn, length));
            first.erase(e.startColumn, length);
        } else {
            add(label + first.substr(e.startColumn));
            for (std::size_t i = e.startLine + 1; i < e.endLine; ++i)
                add(label + lines[i]);
            std::string& last = lines[e.endLine];
            add(label + last.substr(0, e.endColumn + 1));
            first.erase(e.startColumn);
            last.erase(0, e.endColumn + 1);
            lines.erase(lines.begin() + std::ptrdiff_t(e.startLine + 1), lines.begin() + std::ptrdiff_t(e.endLine));
            if (blankLine(lines[e.startLine + 1]))
                lines.erase(lines.begin() + std::ptrdiff_t(e.startLine + 1));
            if (blankLine(lines[e.startLine]))
                lines.erase(lines.begin() + std::ptrdiff_t(e.startLine));
        }
        removed = true;
        count();
    }
    if (!preview() && removed && writeTextLines(*context().machine, path, lines) != win::err::SUCCESS)
        add(plugin_label::NotUpdated + path);
}

} // namespace kp
