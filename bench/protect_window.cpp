// The Protect window on a machine with 100,000 cache entries (or that number
// divided by the first argument): the cache listing against a bare walk of
// the same cache with the cursor the purge uses, the listing with a filter,
// sorting by each column, protecting 10,000 selected rows, and peak memory.
// A second argument names a folder for the machine that is kept between runs:
// built when missing, reused otherwise (the protect file is emptied each run).

#include "bench/support/bench_support.h"
#include "core/error_level.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "platform/machine.h"
#include "platform/urlcache/url_cache.h"
#include "protect/windows/protect_form.h"
#include "purge/cache_cursor.h"
#include "sample/builder/machine_builder.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

using namespace kp;
using namespace kp::bench;

namespace {

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    sample::MachineSpec recipe;
    recipe.now = 1796515200;
    const int divisor = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    recipe.cacheEntries = 100000 / divisor;
    recipe.smallestCacheEntries = true;
    recipe.offlineEntries = 0;
    const bool keep = argc > 2;
    const std::string dir =
        keep ? std::string(argv[2])
             : (std::filesystem::temp_directory_path() / ("kp-bench-protect-" + std::to_string(::getpid()))).string();
    auto start = std::chrono::steady_clock::now();
    if (!keep || !std::filesystem::exists(dir + "/system.reg")) {
        if (win::DWORD code = sample::buildMachine(dir, recipe)) {
            std::fprintf(stderr, "building the machine failed: %u\n", unsigned(code));
            return 1;
        }
        std::printf("machine: %d cache entries built in %.1f s\n", recipe.cacheEntries, secondsSince(start));
    }
    {
        std::unique_ptr<win::Machine> machine;
        if (win::Machine::open(dir, machine) != win::err::SUCCESS) {
            std::fprintf(stderr, "the built machine cannot be opened\n");
            return 1;
        }
        DefaultAnswers messages;
        Keywords keywords;
        FolderSet folders;
        GeneralSettings general;
        folders.dataFolder = "C:\\KLENZOR";
        std::filesystem::create_directories(dir + "/drive_c/KLENZOR");
        std::FILE* protectFile = std::fopen((dir + "/drive_c/KLENZOR/KlenPro.Dat").c_str(), "w");
        std::fclose(protectFile);

        start = std::chrono::steady_clock::now();
        {
            win::UrlCache cache(*machine);
            ErrorState errors;
            bool failed = false;
            CacheCursor cursor(cache, messages, errors, failed);
            int entries = 0;
            for (bool ready = cursor.CacheWalkFirst(); ready; ready = cursor.CacheWalkNext())
                entries += cursor.CacheEntryReadable();
            cursor.CacheWalkClose();
            std::printf("walk of %d entries (as the purge walks): %.3f s\n", entries, secondsSince(start));
        }

        TProtectForm form(ProtectFormSetup{*machine, messages, keywords, folders, general});
        form.openWindow();
        QCoreApplication::processEvents(); // the window is drawn before anyone can click
        auto* cacheButton = form.findChild<QPushButton*>(QStringLiteral("CacheSBtn"));
        start = std::chrono::steady_clock::now();
        cacheButton->click();
        std::printf("cache listing, %d rows: %.3f s\n", form.rows().rowCount(), secondsSince(start));

        for (const char* name : {"Sort1Status", "Sort1Access", "Sort1Hits", "Sort1Address"}) {
            start = std::chrono::steady_clock::now();
            form.findChild<QRadioButton*>(QString::fromLatin1(name))->click();
            std::printf("sort by %s: %.3f s\n", name + 5, secondsSince(start));
        }

        auto* list = form.findChild<QTableView*>(QStringLiteral("ListView1"));
        const int selected = std::min(10000, form.rows().rowCount());
        list->selectionModel()->select(QItemSelection(form.rows().index(0, 0), form.rows().index(selected - 1, 5)),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        start = std::chrono::steady_clock::now();
        form.ProtectSBtnClick();
        std::printf("protecting %d rows: %.3f s (%d lines)\n", selected, secondsSince(start),
                    form.protectList().count());

        form.findChild<QLineEdit*>(QStringLiteral("LimitEdit"))->setText(QStringLiteral("7"));
        start = std::chrono::steady_clock::now();
        form.LimitEditEnter();
        std::printf("cache listing with a filter, %d rows: %.3f s\n", form.rows().rowCount(), secondsSince(start));
        std::printf("peak memory: %ld MB\n", peakKilobytes() / 1024);
    }
    if (!keep)
        sample::removeMachine(dir);
    return 0;
}
