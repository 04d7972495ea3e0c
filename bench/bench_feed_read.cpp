// The feed reader alone, without a process start: every file named on the command line read with
// readFeed, a few rounds over all of them; prints the mean microseconds per file.
#include "server/feeds/Feed.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> bodies;
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        bodies.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    constexpr int Rounds = 5;
    std::size_t items = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < Rounds; ++round)
        for (const std::string& body : bodies) {
            std::vector<std::string> notices;
            items += brisma::server::readFeed({body, "", "https://bench.example/feed"}, notices).items.size();
        }
    const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    std::printf("%.1f\n", spent.count() / (static_cast<double>(bodies.size()) * Rounds));
    return items == 0;
}
