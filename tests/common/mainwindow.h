#pragma once

// The main window as a first run shows it (no settings file), with its information windows,
// and the copy of unsaved work that a run which has since ended left behind.

#include "app/mainform.h"
#include "document/recovery.h"
#include "help/aboutbox.h"
#include "help/quickhelp.h"
#include "settings/settings.h"

#include <QApplication>
#include <QDateTime>
#include <QTest>

#include <unistd.h>

namespace tolvan::test {

// Shown and active; nullptr (and the test failed) when it never became active.
inline app::TMainForm *firstRunWindow()
{
    QFile::remove(settings::settingsFilePath());
    auto *form = new app::TMainForm;
    form->setInformationWindows(new help::TAboutBox(form), new help::TfrmQuickHelp(form));
    form->show();
    return QTest::qWaitForWindowActive(form) ? form : nullptr;
}

// A copy of `text` for `page`, written minutesAgo by an earlier run whose process id this
// one has now (its start time differs).
inline document::RecoveryStore leaveCopy(const QString &page, const QString &text,
                                         int minutesAgo = 1)
{
    document::RecoveryStore store(::getpid(), minutesAgo);
    store.save(page, document::Encoding::Utf8, text);
    QFile copy(store.file());
    if (copy.open(QIODevice::ReadWrite))
        copy.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesAgo),
                         QFileDevice::FileModificationTime);
    return store;
}

} // namespace tolvan::test
