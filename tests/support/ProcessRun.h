#pragma once

#include <QProcessEnvironment>
#include <QStringList>
#include <string>

namespace brisma::test {

// How a real executable ended: its status, whether it died of a signal, and what it wrote.
struct Outcome {
    int code = -1;
    bool crashed = false;
    std::string out;
    std::string err;
};

// Runs program to its end, killed after a minute so a hang fails the test instead of stalling it.
Outcome runProcess(const QString& program, const QStringList& args,
                   const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

} // namespace brisma::test
