// The preview's <base> placement and the markup check, on any page text.
//
// withBase only ever adds one <base> element, at a place no earlier than where the page's
// leading doctype, comments and <html>/<head>/<meta> tags end, and leaves a page that names
// its own base untouched. checkMarkup survives any text and gives its messages in the page's
// order, each on a line the page has.

#include "common.h"

#include "page/markupcheck.h"
#include "page/preview.h"

using tolvan::fuzz::shown;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString tag = QStringLiteral("<base href=\"file:///site/\">");
    const QString shownPage = tolvan::page::withBase(page, QStringLiteral("/site"));
    const qsizetype point = tolvan::page::baseInsertionPoint(page);
    if (point < 0) {
        TOLVAN_CHECK(shownPage == page, "a page with its own base changed: " + shown(page));
    } else {
        TOLVAN_CHECK(point <= page.size() && shownPage.mid(point, tag.size()) == tag &&
                         shownPage.left(point) == page.left(point) &&
                         shownPage.mid(point + tag.size()) == page.mid(point),
                     "base placed wrongly in " + shown(page));
        // Only markup comes before it, never text of the page's body.
        const QString before = page.left(point).trimmed();
        TOLVAN_CHECK(before.isEmpty() || before == QChar(0xFEFF) || before.endsWith(u'>'),
                     "base after text in " + shown(page));
    }

    const auto messages = tolvan::page::checkMarkup(page);
    const qsizetype lines = page.count(u'\n') + page.count(u'\r') + 1;
    for (size_t i = 0; i < messages.size(); ++i) {
        TOLVAN_CHECK(messages[i].line >= 0 && messages[i].line <= lines &&
                         !messages[i].text.isEmpty(),
                     "message off the page: " + shown(messages[i].text));
        if (i > 0)
            TOLVAN_CHECK(std::tie(messages[i - 1].line, messages[i - 1].column) <=
                             std::tie(messages[i].line, messages[i].column),
                         "messages out of order in " + shown(page));
    }
    return 0;
}
