#include "markupcheck.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

namespace tolvan::page {

namespace {
struct TidyRelease
{
    void operator()(TidyDoc doc) const { tidyRelease(doc); }
};
using TidyHandle = std::unique_ptr<std::remove_pointer_t<TidyDoc>, TidyRelease>;

bool reported(TidyReportLevel level)
{
    // Information, the summary and Tidy's notes about its own configuration say nothing about
    // the page.
    switch (level) {
    case TidyWarning:
    case TidyAccess:
    case TidyError:
    case TidyBadDocument:
    case TidyFatal:
        return true;
    default:
        return false;
    }
}

Bool TIDY_CALL collect(TidyMessage message)
{
    auto *messages =
        static_cast<std::vector<MarkupMessage> *>(tidyGetAppData(tidyGetMessageDoc(message)));
    if (reported(tidyGetMessageLevel(message)))
        messages->push_back({tidyGetMessageLine(message), tidyGetMessageColumn(message),
                             QString::fromUtf8(tidyGetMessagePrefix(message)) +
                                 QString::fromUtf8(tidyGetMessage(message))});
    return no; // nothing goes to Tidy's own output
}
} // namespace

std::vector<MarkupMessage> checkMarkup(const QString &text)
{
    std::vector<MarkupMessage> messages;
    TidyHandle doc(tidyCreate());
    tidySetAppData(doc.get(), &messages);
    tidySetMessageCallback(doc.get(), collect);
    tidyOptSetBool(doc.get(), TidyQuiet, yes);
    tidyOptSetBool(doc.get(), TidyForceOutput, yes);
    tidyOptSetBool(doc.get(), TidyShowWarnings, yes);
    tidyOptSetInt(doc.get(), TidyShowErrors, INT_MAX);
    // Columns as the editor counts them: a tab is one character, not a run to the next stop.
    tidyOptSetInt(doc.get(), TidyTabSize, 1);
    tidySetInCharEncoding(doc.get(), "utf8");

    QByteArray bytes = text.toUtf8();
    TidyBuffer input;
    tidyBufInit(&input);
    tidyBufAttach(&input, reinterpret_cast<byte *>(bytes.data()), uint(bytes.size()));
    // The repaired page is built, since some warnings come from building it, and dropped.
    if (tidyParseBuffer(doc.get(), &input) >= 0 && tidyCleanAndRepair(doc.get()) >= 0)
        tidyRunDiagnostics(doc.get());
    tidyBufDetach(&input);

    // Tidy reports some problems only once it has read past them.
    std::stable_sort(messages.begin(), messages.end(), [](const auto &a, const auto &b) {
        return std::tie(a.line, a.column) < std::tie(b.line, b.column);
    });
    return messages;
}

qsizetype columnOffset(const QString &line, int column)
{
    qsizetype offset = 0;
    for (int c = 1; c < column && offset < line.size(); ++c) {
        const bool pair = line.at(offset).isHighSurrogate() && offset + 1 < line.size() &&
                          line.at(offset + 1).isLowSurrogate();
        offset += pair ? 2 : 1;
    }
    return offset;
}

} // namespace tolvan::page
