// Peak resident memory of one GET whose chunked answer never ends, stopped by the body cap
// (64 MiB). Prints the peak before and after the request, in MiB.
#include "TestServer.h"
#include "common/BrismaError.h"
#include "platform/http/HttpClient.h"

#include <QCoreApplication>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>

namespace {

long peakMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv) {
    // As the client runs: one malloc arena for every thread.
    mallopt(M_ARENA_MAX, 1);
    QCoreApplication app(argc, argv);
    brisma::test::TestServer server;
    brisma::test::TestServer::Response endless;
    endless.endless = true;
    server.route("/endless", endless);
    brisma::HttpClient http(nullptr);
    const long before = peakMiB();
    std::string outcome = "no error";
    try {
        http.get(server.base() + "endless");
    } catch (const brisma::BrismaError& e) {
        outcome = e.what();
    }
    std::printf("endless chunked answer, cap %zu MiB: peak RSS %ld MiB before, %ld MiB after (%s)\n",
                brisma::HttpLimits{}.maxBodyBytes >> 20, before, peakMiB(), outcome.c_str());
    return 0;
}
