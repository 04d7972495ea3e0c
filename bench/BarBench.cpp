#include "BarBench.h"

#include "bar/WaylandTickerSurface.h"
#include "bar/frmTicker.h"
#include "news/modChannel.h"

#include <QGuiApplication>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
}

namespace {
std::atomic<long> allocations{0};
} // namespace

// The process's own allocator entry points count every allocation, Qt's and the C libraries'.
extern "C" void* malloc(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}
extern "C" void free(void* p) {
    __libc_free(p);
}

void* operator new(std::size_t size) {
    if (void* p = malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    free(p);
}
void operator delete[](void* p) noexcept {
    free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    free(p);
}

namespace brisma::bench {

long heapAllocations() {
    return allocations.load(std::memory_order_relaxed);
}

void fillMergedList(Application& app, int count) {
    static const char* const kTexts[] = {
        "日銀、金融政策決定会合で現状維持を決定　長期金利は小幅に上昇",
        "東京株式市場、日経平均は続伸　半導体関連株に買い",
        "プロ野球ドラフト会議、注目の高校生投手に4球団が1位指名",
        "首都圏で今季一番の冷え込み　都心で最低気温2度",
        "新型ロケット打ち上げ成功　観測衛星を予定の軌道に投入",
    };
    auto list = std::make_shared<clsBrismaNewsList>(app.errors(), nullptr);
    list->init(static_cast<int16_t>(count));
    clsBrismaNews news(app.errors());
    for (int i = 0; i < count; ++i) {
        news.init();
        char id[24];
        std::snprintf(id, sizeof id, "00520261208%08d", i);
        news.strID = id;
        news.strNewsText = kTexts[i % 5];
        news.strContName = "Brisma デモ";
        news.strNewsType = i % 3 == 0 ? "biz" : "all";
        news.strNewsUrl = "https://example.com/news/" + std::to_string(i);
        list->CopyFrom(news, static_cast<int16_t>(i));
    }
    app.channels().objNewsList = list;
}

double percentile(std::vector<double>& values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[at];
}

std::string drawingPath(const frmTicker& bar) {
    if (dynamic_cast<const WaylandTickerSurface*>(bar.hBufDC.get()))
        return "shared-memory buffers on the Wayland compositor's layer shell";
    return (bar.hBufDC->paintsOnScreen() ? "server-side pixmap" : "image in memory") + std::string(" on ") +
           QGuiApplication::platformName().toStdString();
}

} // namespace brisma::bench
