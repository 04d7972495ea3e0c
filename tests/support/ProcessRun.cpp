#include "ProcessRun.h"

#include <QProcess>

namespace brisma::test {

Outcome runProcess(const QString& program, const QStringList& args, const QProcessEnvironment& environment) {
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(program, args);
    Outcome run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
    }
    run.crashed = p.exitStatus() != QProcess::NormalExit;
    run.code = p.exitCode();
    run.out = p.readAllStandardOutput().toStdString();
    run.err = p.readAllStandardError().toStdString();
    return run;
}

} // namespace brisma::test
