#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace testsupport {

// A command line that a program answers at once, and its answer.
struct TCommandLineCase {
    const char* Name;
    QStringList Arguments;
    int Status;
    const char* Out; // kHelpAnswer: the program's --help text
    const char* Err;
};

inline constexpr char kHelpAnswer[] = "<help>";

inline void PrintTo(const TCommandLineCase& row, std::ostream* out) {
    *out << row.Name;
}

// Checks what the finished `program` printed and returned; `help` is its
// --help text.
inline void ExpectAnswer(QProcess& program, const TCommandLineCase& row, const QString& help) {
    EXPECT_EQ(program.readAllStandardOutput().toStdString(),
              row.Out == std::string(kHelpAnswer) ? help.toStdString() : row.Out);
    EXPECT_EQ(program.readAllStandardError().toStdString(), row.Err);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), row.Status);
}

} // namespace testsupport
