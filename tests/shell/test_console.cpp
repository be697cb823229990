#include "shell/ConsoleShell.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

std::string contents(FILE* f) {
    std::string s(4096, '\0');
    std::rewind(f);
    s.resize(std::fread(s.data(), 1, s.size(), f));
    return s;
}

TEST(ConsoleShell, InformationToStdoutEverythingElseToStderr) {
    using File = std::unique_ptr<FILE, decltype(&std::fclose)>;
    const File out(std::tmpfile(), &std::fclose), err(std::tmpfile(), &std::fclose), in(std::tmpfile(), &std::fclose);
    {
        ConsoleShell shell(out.get(), err.get(), in.get());
        shell.Inform(QStringLiteral("There were 3 splitfiles created."));
        shell.Fail(QStringLiteral("Cannot write 'x': No space left on device."));
        // Not on a terminal: no progress line, and questions get the cautious answer.
        shell.ShowProgress(50, QStringLiteral("Writing: report.001"));
        EXPECT_EQ(shell.MsgBox({QStringLiteral("Go on?"), MsgButtons::OkCancel, MsgIcon::Information, 0, {}}),
                  MsgResult::Cancel);
        EXPECT_EQ(shell.MsgBox({QStringLiteral("Empty it?"), MsgButtons::YesNo, MsgIcon::Question, 0, {}}),
                  MsgResult::No);
    }
    EXPECT_EQ(contents(out.get()), "There were 3 splitfiles created.\n");
    EXPECT_EQ(contents(err.get()), "Cannot write 'x': No space left on device.\nGo on?\nEmpty it?\n");
}

} // namespace
