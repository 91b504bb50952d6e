// libopencoder.so as the host sees it: loaded with dlopen, never linked.
// Its library-wide state must survive between calls and be gone after an
// unload; its message boxes and dialogs are real windows here.
#include <dlfcn.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <utility>

#include "coder_fixtures.h"
#include "library/opencoder_api.h"
#include "test_support.h"

namespace {

bool library_is_mapped() {
    void* handle = dlopen(OPENCODER_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD);
    return handle && dlclose(handle) == 0;
}

struct loaded_library {
    void* handle = dlopen(OPENCODER_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ~loaded_library() { close(); }
    int close() {
        void* open = std::exchange(handle, nullptr);
        return open ? dlclose(open) : 0;
    }
    template <typename Function>
    Function get(const char* name) const {
        auto function = reinterpret_cast<Function>(dlsym(handle, name));
        EXPECT_NE(nullptr, function) << name;
        return function;
    }
};

// Hands each new modal window the library shows to the next handler, which
// must close it; an unexpected one is closed so that the test fails, not hangs.
struct modal_watcher {
    std::vector<std::function<void(QWidget&)>> handlers;
    QPointer<QWidget> current;
    QTimer timer;
    modal_watcher() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == current) return;
            current = modal;
            if (handlers.empty()) return void(modal->close());
            auto handler = handlers.front();
            handlers.erase(handlers.begin());
            handler(*modal);
        });
        timer.start(10);
    }
};

class LibraryLoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(library_is_mapped());
        dir.enter();
        write_study();
    }
    void TearDown() override { EXPECT_FALSE(library_is_mapped()); }
    void write_study() {
        auto a = octest::simple_file("ABC.001", 2, 0), b = octest::simple_file("ABC.002", 3, 1);
        octest::write_coder_file(dir.path().string(), a);
        octest::write_coder_file(dir.path().string(), b);
        octest::write_coder_list(dir.file("ABC.cdl"), {a, b});
    }
    QString list_path() const { return QString::fromStdString(dir.file("ABC.cdl")); }

    octest::ScratchDir dir;
};

// The entry points by name, the state reached through accessors only.
TEST_F(LibraryLoad, EntryPointsStateAndWindowsInEachOfTwoLoads) {
    for (int load = 0; load < 2; ++load) {
        loaded_library library;
        ASSERT_NE(nullptr, library.handle) << dlerror();
        for (const char* name : {"ExamineOpenends", "PrepareCoderSpecs", "CodeOpenendResponses",
                                 "MergeCodesIntoDataFile", "GetStatusCoderSpecFiles", "GetXxxFileAndStatusLists",
                                 "EditCodeFrame", "ExportStudy"})
            EXPECT_NE(nullptr, dlsym(library.handle, name)) << name;
        EXPECT_EQ(nullptr, dlsym(library.handle, "_ZN5oc_ui10g_soundDirE"));
        auto get_dir = library.get<opencoder_api::GetTextFn>("OcGetSoundDir");
        auto chosen = library.get<opencoder_api::GetNumberFn>("OcGetSoundChosenNo");
        auto lists = library.get<opencoder_api::GetXxxFileAndStatusListsFn>("GetXxxFileAndStatusLists");
        EXPECT_STREQ("", get_dir()) << "load " << load;
        EXPECT_EQ(0, chosen());
        library.get<opencoder_api::SetTextFn>("OcSetSoundDir")("/data/sounds/");
        library.get<opencoder_api::SetNumbersFn>("OcSetSoundNumbers")(3, 4);
        QStringList names;
        QByteArray statuses;
        ASSERT_EQ(1, lists(list_path(), names, statuses));
        EXPECT_EQ((QStringList{"ABC.001", "ABC.002"}), names);
        EXPECT_EQ(QByteArray("\x02\x03", 2), statuses);
        EXPECT_STREQ("/data/sounds/", get_dir());
        EXPECT_EQ(4, chosen());
        // Its own boxes and dialogs, shown for real: nothing registered by
        // the first load may break the second.
        auto status = library.get<opencoder_api::GetStatusCoderSpecFilesFn>("GetStatusCoderSpecFiles");
        modal_watcher watcher;
        QStringList rows, texts;
        watcher.handlers.push_back([&](QWidget& window) {
            auto* list = window.findChild<QTreeWidget*>(QStringLiteral("fileList"));
            ASSERT_NE(nullptr, list);
            for (int i = 0; i < list->topLevelItemCount(); ++i) rows << list->topLevelItem(i)->text(0);
            static_cast<QDialog&>(window).reject();
        });
        auto read_box = [&](QWidget& window) {
            auto* box = qobject_cast<QMessageBox*>(&window);
            ASSERT_NE(nullptr, box);
            texts << box->text();
            box->accept();
        };
        watcher.handlers.insert(watcher.handlers.end(), 2, read_box);
        status(list_path());
        EXPECT_EQ((QStringList{"ABC.001", "ABC.002"}), rows);
        octest::write_coder_list(dir.file("ABC.cdl"), {});
        status(list_path());
        const QString none;
        library.get<opencoder_api::ExamineOpenendsFn>("ExamineOpenends")(none, none, none, none, none, none);
        EXPECT_EQ((QStringList{"Unable to locate any of the coder data files.",
                               "No OPENEND or OTHER data to found to code in this file."}),
                  texts);
        EXPECT_TRUE(watcher.handlers.empty());
        write_study();
        EXPECT_EQ(0, library.close());
        EXPECT_FALSE(library_is_mapped());  // really gone: no unique symbol pinned it
    }
}

}  // namespace
