// libopencoder.so as the host sees it: loaded with dlopen, never linked.
// Its library-wide state must survive between calls and be gone after an
// unload; its message boxes and dialogs are real windows here.
#include <dlfcn.h>

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "coder_fixtures.h"
#include "library/opencoder_api.h"
#include "modal_watcher.h"
#include "test_support.h"

namespace {

class loaded_library {
public:
    loaded_library() : handle_(dlopen(OPENCODER_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL)) {}
    ~loaded_library() { close(); }
    bool ok() const { return handle_ != nullptr; }
    void* handle() const { return handle_; }
    int close() {
        if (!handle_) return 0;
        const int result = dlclose(handle_);
        handle_ = nullptr;
        return result;
    }
    template <typename Function>
    Function get(const char* name) const {
        auto function = reinterpret_cast<Function>(dlsym(handle_, name));
        EXPECT_NE(function, nullptr) << name;
        return function;
    }

private:
    void* handle_;
};

bool library_is_mapped() {
    void* handle = dlopen(OPENCODER_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (!handle) return false;
    dlclose(handle);
    return true;
}

class LibraryLoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(library_is_mapped());
        dir.enter();
        write_study();
    }
    void write_study() {
        auto a = octest::simple_file("ABC.001", 2, 0);
        auto b = octest::simple_file("ABC.002", 3, 1);
        octest::write_coder_file(dir.path().string(), a);
        octest::write_coder_file(dir.path().string(), b);
        octest::write_coder_list(dir.file("ABC.cdl"), {a, b});
    }
    void TearDown() override { EXPECT_FALSE(library_is_mapped()); }

    QString list_path() const { return QString::fromStdString(dir.file("ABC.cdl")); }

    octest::ScratchDir dir;
};

TEST_F(LibraryLoad, SoundStateSurvivesCallsAndAReloadStartsEmpty) {
    {
        loaded_library library;
        ASSERT_TRUE(library.ok()) << dlerror();
        auto get_dir = library.get<opencoder_api::GetTextFn>("OcGetSoundDir");
        auto set_dir = library.get<opencoder_api::SetTextFn>("OcSetSoundDir");
        auto get_prefix = library.get<opencoder_api::GetTextFn>("OcGetSoundPrefix");
        auto set_prefix = library.get<opencoder_api::SetTextFn>("OcSetSoundPrefix");
        auto found = library.get<opencoder_api::GetNumberFn>("OcGetSoundFoundNo");
        auto chosen = library.get<opencoder_api::GetNumberFn>("OcGetSoundChosenNo");
        auto set_numbers = library.get<opencoder_api::SetNumbersFn>("OcSetSoundNumbers");
        auto lists = library.get<opencoder_api::GetXxxFileAndStatusListsFn>("GetXxxFileAndStatusLists");

        EXPECT_STREQ(get_dir(), "");
        EXPECT_STREQ(get_prefix(), "");
        EXPECT_EQ(found(), 0);
        EXPECT_EQ(chosen(), 0);

        set_dir("/data/sounds/");
        set_prefix("Q5_0001234");
        set_numbers(3, 4);
        QStringList names;
        QByteArray statuses;
        ASSERT_EQ(lists(list_path(), names, statuses), 1);
        EXPECT_EQ(names, (QStringList{QStringLiteral("ABC.001"), QStringLiteral("ABC.002")}));
        EXPECT_EQ(statuses, QByteArray("\x02\x03", 2));
        ASSERT_EQ(lists(list_path(), names, statuses), 1);
        EXPECT_STREQ(get_dir(), "/data/sounds/");
        EXPECT_STREQ(get_prefix(), "Q5_0001234");
        EXPECT_EQ(found(), 3);
        EXPECT_EQ(chosen(), 4);

        EXPECT_EQ(library.close(), 0);
    }
    // Really gone: no unique symbol pinned it in memory.
    ASSERT_FALSE(library_is_mapped());

    loaded_library again;
    ASSERT_TRUE(again.ok()) << dlerror();
    EXPECT_STREQ(again.get<opencoder_api::GetTextFn>("OcGetSoundDir")(), "");
    EXPECT_STREQ(again.get<opencoder_api::GetTextFn>("OcGetSoundPrefix")(), "");
    EXPECT_EQ(again.get<opencoder_api::GetNumberFn>("OcGetSoundFoundNo")(), 0);
    EXPECT_EQ(again.get<opencoder_api::GetNumberFn>("OcGetSoundChosenNo")(), 0);
}

TEST_F(LibraryLoad, ExportsTheSixEntryPointsByName) {
    loaded_library library;
    ASSERT_TRUE(library.ok()) << dlerror();
    for (const char* name : {"ExamineOpenends", "PrepareCoderSpecs", "CodeOpenendResponses",
                             "MergeCodesIntoDataFile", "GetStatusCoderSpecFiles", "GetXxxFileAndStatusLists"})
        EXPECT_NE(dlsym(library.handle(), name), nullptr) << name;
    // Internal symbols stay hidden: the state is reached through accessors.
    EXPECT_EQ(dlsym(library.handle(), "_ZN5oc_ui10g_soundDirE"), nullptr);
    EXPECT_EQ(dlsym(library.handle(), "_ZN2oc11string_textEi"), nullptr);
}

// The library's own boxes and dialogs, shown for real, across two loads:
// nothing registered by the first load may break the second.
TEST_F(LibraryLoad, StatusReportRunsInEachLoad) {
    for (int load = 0; load < 2; ++load) {
        loaded_library library;
        ASSERT_TRUE(library.ok()) << dlerror();
        auto status = library.get<opencoder_api::GetStatusCoderSpecFilesFn>("GetStatusCoderSpecFiles");
        auto examine = library.get<opencoder_api::ExamineOpenendsFn>("ExamineOpenends");

        octest::modal_watcher watcher;
        QStringList rows;
        watcher.expect([&](QWidget& window) {
            auto* list = window.findChild<QTreeWidget*>(QStringLiteral("fileList"));
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(window.objectName(), QStringLiteral("statusOfSpecFilesDialog"));
            for (int i = 0; i < list->topLevelItemCount(); ++i) rows.append(list->topLevelItem(i)->text(0));
            static_cast<QDialog&>(window).reject();
        });
        status(list_path());
        EXPECT_EQ(rows, (QStringList{QStringLiteral("ABC.001"), QStringLiteral("ABC.002")}));

        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        auto read_box = [&](QWidget& window) {
            auto* box = qobject_cast<QMessageBox*>(&window);
            ASSERT_NE(box, nullptr);
            text = box->text();
            icon = box->icon();
            box->accept();
        };
        octest::write_coder_list(dir.file("ABC.cdl"), {});
        watcher.expect(read_box);
        status(list_path());
        EXPECT_EQ(text, QStringLiteral("Unable to locate any of the coder data files."));
        EXPECT_EQ(icon, QMessageBox::Warning);

        watcher.expect(read_box);
        const QString none;
        examine(none, none, none, none, none, none);
        // No label file: the real examine flow finds nothing to list.
        EXPECT_EQ(text, QStringLiteral("No OPENEND or OTHER data to found to code in this file."));
        EXPECT_EQ(icon, QMessageBox::Information);
        EXPECT_TRUE(watcher.all_handled());

        write_study();
        EXPECT_EQ(library.close(), 0);
        EXPECT_FALSE(library_is_mapped());
    }
}

}  // namespace
