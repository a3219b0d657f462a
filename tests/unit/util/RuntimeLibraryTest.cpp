#include "util/RuntimeLibrary.h"

#include <gtest/gtest.h>

#include <cstring>

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
        if (c.complete)
            EXPECT_EQ(function("four"), 4u);
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

} // namespace
