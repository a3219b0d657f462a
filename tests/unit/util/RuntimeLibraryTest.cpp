#include "util/RuntimeLibrary.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

namespace {

using Strlen = decltype(&std::strlen);

TEST(RuntimeLibrary, ResolvesWhatTheLibraryHasAndSaysWhatIsMissing)
{
    struct Case {
        const char *library;
        const char *symbol;
        bool complete;
        const char *failureMentions;
    };
    const Case cases[] = {
        {"libc.so.6", "strlen", true, ""},
        {"libc.so.6", "kovaplex_no_such_function", false, "kovaplex_no_such_function"},
        {"libkovaplex-no-such-library.so.0", "strlen", false, "libkovaplex-no-such-library.so.0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.library) + " " + c.symbol);
        RuntimeLibrary library(c.library);
        Strlen function = nullptr;
        library.resolve(c.symbol, function);
        EXPECT_EQ(library.isComplete(), c.complete);
        EXPECT_EQ(function != nullptr, c.complete);
        EXPECT_TRUE(library.failure().contains(c.failureMentions)) << library.failure().constData();
        if (c.complete) {
            EXPECT_EQ(function("four"), 4u);
        }
    }
}

TEST(RuntimeLibrary, OneMissingFunctionLeavesItIncompleteWhateverComesAfter)
{
    RuntimeLibrary library("libc.so.6");
    Strlen missing = nullptr;
    Strlen present = nullptr;
    library.resolve("kovaplex_no_such_function", missing);
    library.resolve("strlen", present);
    EXPECT_FALSE(library.isComplete());
    EXPECT_NE(present, nullptr);
    EXPECT_TRUE(library.failure().contains("kovaplex_no_such_function"));
    library.close();
    EXPECT_FALSE(library.isComplete());
}

std::string probe(const char *name)
{
    return std::string(KOVAPLEX_PROBE_DIR) + "/libkovaplex_probe_" + name + ".so";
}

bool isLoaded(const std::string &path)
{
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

TEST(RuntimeLibrary, DependenciesThatCannotBeOpenedAloneComeWithTheLibraryAndAllGoWithIt)
{
    const std::string leaf = probe("leaf"), needy = probe("needy"), root = probe("root");
    // The needy probe uses the leaf without linking it: alone it cannot be bound.
    ASSERT_EQ(dlopen(needy.c_str(), RTLD_NOW | RTLD_LOCAL), nullptr);

    RuntimeLibrary library(root.c_str(), {leaf.c_str(), needy.c_str(), "libkovaplex-no-such-library.so.0"});
    using Value = int (*)();
    Value value = nullptr;
    library.resolve("probeRootValue", value);
    ASSERT_TRUE(library.isComplete()) << library.failure().constData();
    EXPECT_EQ(value(), 35);
    EXPECT_TRUE(isLoaded(leaf));
    EXPECT_TRUE(isLoaded(needy));

    library.close();
    for (const std::string &path : {root, needy, leaf})
        EXPECT_FALSE(isLoaded(path)) << path;

    // A library that cannot be opened lets go of what was opened for it.
    RuntimeLibrary missing("libkovaplex-no-such-library.so.0", {leaf.c_str()});
    EXPECT_FALSE(missing.isComplete());
    EXPECT_TRUE(missing.failure().contains("libkovaplex-no-such-library.so.0"));
    EXPECT_FALSE(isLoaded(leaf));
}

} // namespace
