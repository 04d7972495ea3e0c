#include "server/admin/AdminPage.h"

#include "common/EscapeXml.h"
#include "server/admin/SourceList.h"
#include "server/model/JapanTime.h"
#include "server/store/AdCounts.h"
#include "server/store/Figures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

namespace brisma::server {
namespace {

constexpr std::int64_t DayMs = 86'400'000;
constexpr std::int64_t JapanOffsetMs = 9 * 3'600'000;
constexpr int WeekBefore = 7;
constexpr int TopCount = 15;

std::string dayText(int day) {
    static const char* const weekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
    const std::chrono::year_month_day date{std::chrono::year{day / 10000},
                                           std::chrono::month{static_cast<unsigned>(day / 100 % 100)},
                                           std::chrono::day{static_cast<unsigned>(day % 100)}};
    const std::chrono::weekday weekday{std::chrono::sys_days{date}};
    return std::to_string(day / 10000) + "年" + std::to_string(day / 100 % 100) + "月" +
           std::to_string(day % 100) + "日(" + weekdays[weekday.c_encoding()] + ")";
}

// The first `characters` characters of UTF-8 `text`, and an ellipsis when there were more.
std::string shortened(const std::string& text, int characters) {
    for (std::size_t at = 0; at < text.size(); ++at)
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && characters-- == 0)
            return text.substr(0, at) + "…";
    return text;
}

std::string shortDay(int day) {
    return std::to_string(day / 100 % 100) + "/" + std::to_string(day % 100);
}

int dayOf(std::int64_t dayMs) {
    const std::chrono::year_month_day date{
        std::chrono::sys_days{std::chrono::days{(dayMs + JapanOffsetMs) / DayMs}}};
    return static_cast<int>(date.year()) * 10000 +
           static_cast<int>(static_cast<unsigned>(date.month())) * 100 +
           static_cast<int>(static_cast<unsigned>(date.day()));
}

std::string number(std::int64_t value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

std::string channelLabel(const std::string& key, const std::map<std::string, std::string>& names) {
    if (key.empty())
        return "(チャンネルなし)";
    if (key == "999")
        return "999 バナー広告";
    const auto found = names.find(key);
    return found == names.end() ? key : key + " " + found->second;
}

// Clicks and views of each channel as pairs of horizontal bars.
std::string channelChart(const std::map<std::string, ChannelFigures>& channels,
                         const std::map<std::string, std::string>& names) {
    if (channels.empty())
        return "<p class=\"empty\">この期間の記録はありません</p>";
    std::int64_t most = 1;
    for (const auto& [key, figures] : channels)
        most = std::max({most, figures.clicks, figures.views});
    constexpr int Label = 150, Bar = 250, Row = 44, Top = 8;
    const int height = Top + Row * static_cast<int>(channels.size()) + 4;
    std::ostringstream svg;
    svg << "<svg class=\"chart\" viewBox=\"0 0 " << Label + Bar + 50 << " " << height
        << "\" role=\"img\" aria-label=\"チャンネル別のクリック数と表示数\">";
    int y = Top;
    for (const auto& [key, figures] : channels) {
        const std::string label = channelLabel(key, names);
        svg << "<text x=\"0\" y=\"" << y + 24 << "\" class=\"label\"><title>" << escapeXML(label)
            << "</title>" << escapeXML(shortened(label, 11)) << "</text>";
        const auto bar = [&](std::int64_t value, int at, const char* kind) {
            const int width = static_cast<int>(value * Bar / most);
            svg << "<rect x=\"" << Label << "\" y=\"" << at << "\" width=\"" << std::max(width, 1)
                << "\" height=\"16\" rx=\"3\" class=\"" << kind << "\"/><text x=\"" << Label + width + 6
                << "\" y=\"" << at + 13 << "\" class=\"value\">" << number(value) << "</text>";
        };
        bar(figures.clicks, y + 3, "click");
        bar(figures.views, y + 21, "view");
        y += Row;
    }
    svg << "</svg>";
    return svg.str();
}

// Clicks and views of each day as pairs of columns, the chosen day last and marked.
std::string dailyChart(const std::vector<DayFigures>& days) {
    std::int64_t most = 1;
    std::vector<std::pair<std::int64_t, std::int64_t>> totals;
    for (const DayFigures& day : days) {
        std::pair<std::int64_t, std::int64_t> total;
        for (const auto& [key, figures] : day.channels) {
            total.first += figures.clicks;
            total.second += figures.views;
        }
        most = std::max({most, total.first, total.second});
        totals.push_back(total);
    }
    constexpr int Column = 84, Height = 160, Top = 22;
    std::ostringstream svg;
    svg << "<svg class=\"chart\" viewBox=\"0 0 " << Column * static_cast<int>(days.size()) << " "
        << Top + Height + 30 << "\" role=\"img\" aria-label=\"日別のクリック数と表示数\">";
    for (std::size_t i = 0; i < days.size(); ++i) {
        const int x = static_cast<int>(i) * Column;
        const bool chosen = i + 1 == days.size();
        if (chosen)
            svg << "<rect x=\"" << x + 2 << "\" y=\"0\" width=\"" << Column - 4 << "\" height=\""
                << Top + Height + 28 << "\" rx=\"6\" class=\"chosen\"/>";
        const auto column = [&](std::int64_t value, int at, const char* kind) {
            const int h = static_cast<int>(value * Height / most);
            svg << "<rect x=\"" << at << "\" y=\"" << Top + Height - h << "\" width=\"26\" height=\""
                << std::max(h, 1) << "\" rx=\"3\" class=\"" << kind << "\"/><text x=\"" << at + 13
                << "\" y=\"" << Top + Height - h - 5 << "\" class=\"value small\" text-anchor=\"middle\">"
                << number(value) << "</text>";
        };
        column(totals[i].first, x + 14, "click");
        column(totals[i].second, x + 44, "view");
        svg << "<text x=\"" << x + Column / 2 << "\" y=\"" << Top + Height + 20 << "\" class=\"label"
            << (chosen ? " strong" : "") << "\" text-anchor=\"middle\">" << shortDay(days[i].day)
            << "</text>";
    }
    svg << "</svg>";
    return svg.str();
}

std::map<std::string, ChannelFigures> summed(const std::vector<DayFigures>& days) {
    std::map<std::string, ChannelFigures> channels;
    for (const DayFigures& day : days)
        for (const auto& [key, figures] : day.channels) {
            channels[key].clicks += figures.clicks;
            channels[key].views += figures.views;
        }
    return channels;
}

std::string topTable(const std::vector<HeadlineClicks>& top) {
    if (top.empty())
        return "<p class=\"empty\">クリックされた見出しはありません</p>";
    std::ostringstream html;
    html << "<table class=\"top\"><thead><tr><th>順位</th><th>見出し</th><th>見出しID</th><th "
            "class=\"n\">クリック</th></tr></thead><tbody>";
    int rank = 0;
    for (const HeadlineClicks& headline : top)
        html << "<tr><td class=\"rank\">" << ++rank << "</td><td>"
             << (headline.title ? escapeXML(*headline.title) : "<span class=\"muted\">(配信終了)</span>")
             << "</td><td class=\"id\">" << escapeXML(headline.id) << "</td><td class=\"n\" data-clicks=\""
             << escapeXML(headline.id) << "\">" << number(headline.clicks) << "</td></tr>";
    html << "</tbody></table>";
    return html.str();
}

struct Totals {
    std::int64_t clicks = 0, views = 0, registrations = 0, opens = 0, closes = 0;
};

Totals totalsOf(const std::vector<DayFigures>& days) {
    Totals t;
    for (const DayFigures& day : days) {
        for (const auto& [key, figures] : day.channels) {
            t.clicks += figures.clicks;
            t.views += figures.views;
        }
        t.registrations += day.registrations;
        t.opens += day.opens;
        t.closes += day.closes;
    }
    return t;
}

std::string card(const char* name, const char* key, std::int64_t day, std::int64_t week) {
    std::ostringstream html;
    html << "<div class=\"card\"><div class=\"name\">" << name << "</div><div class=\"big\" data-figure=\""
         << key << "\">" << number(day) << "</div><div class=\"week\">8日間 " << number(week)
         << "</div></div>";
    return html.str();
}

// "12/09 18:04" in Japan time; a dash for none.
std::string shortTime(std::int64_t ms) {
    if (ms <= 0)
        return "<span class=\"muted\">-</span>";
    const std::string iso = japan::isoTime(ms / 1000); // 2026-12-09T18:04:05+09:00
    return iso.substr(5, 2) + "/" + iso.substr(8, 2) + " " + iso.substr(11, 5);
}

// Every source, the failing first, with the channels it feeds, its last error and next fetch.
std::string sourcesSection(const std::vector<SourceRow>& rows,
                           const std::map<std::string, std::string>& names) {
    static const std::map<SourceHealth, const char*> labels{
        {SourceHealth::Failing, "失敗中"}, {SourceHealth::Pending, "未取得"}, {SourceHealth::Ok, "正常"}};
    std::size_t failing = 0;
    for (const SourceRow& row : rows)
        failing += row.health == SourceHealth::Failing ? 1 : 0;
    std::ostringstream html;
    html
        << "<section><h2>配信元の状態 <span class=\"muted\">(" << rows.size() << "件中 失敗中 " << failing
        << "件)</span></h2><table "
           "class=\"sources\"><thead><tr><th>状態</th><th>配信元</th><th>チャンネル</th><th "
           "class=\"n\">連続失敗</th><th>最後のエラー</th><th>最終取得</th><th>最終成功</th><th>次回取得</th>"
           "</tr></thead><tbody>";
    for (const SourceRow& row : rows) {
        html << "<tr data-source=\"" << escapeXML(row.address) << "\" data-state=\"" << healthName(row.health)
             << "\"><td><span class=\"health " << healthName(row.health) << "\">" << labels.at(row.health)
             << "</span></td><td class=\"address\">" << escapeXML(row.address) << "</td><td>";
        for (std::size_t i = 0; i < row.channels.size(); ++i) {
            char key[8];
            std::snprintf(key, sizeof key, "%03d", row.channels[i]);
            html << (i ? "<br>" : "") << escapeXML(channelLabel(key, names));
        }
        html << "</td><td class=\"n\">" << row.failures << "</td><td class=\"error\">"
             << (row.lastError.empty() ? "<span class=\"muted\">-</span>" : escapeXML(row.lastError))
             << "</td><td>" << shortTime(row.lastFetchMs) << "</td><td>" << shortTime(row.lastSuccessMs)
             << "</td><td>" << shortTime(row.nextFetchMs) << "</td></tr>";
    }
    html << "</tbody></table></section>";
    return html.str();
}

const char* const Style = R"(
:root{--ink:#1d2733;--muted:#6b7785;--line:#e3e8ee;--click:#d9480f;--view:#1c7ed6;--bg:#f4f6f9}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--ink);font:15px/1.6 "Noto Sans CJK JP","Noto Sans JP","IPAexGothic","Hiragino Sans",sans-serif}
header{background:#1d2733;color:#fff;padding:18px 32px;display:flex;align-items:center;gap:24px;flex-wrap:wrap}
header h1{font-size:20px;margin:0;font-weight:700;letter-spacing:.04em}
header .day{font-size:16px;opacity:.9}
nav{margin-left:auto;display:flex;gap:8px;align-items:center}
nav a,nav button{color:#fff;text-decoration:none;border:1px solid #5c6b7a;border-radius:6px;padding:4px 12px;background:transparent;font:inherit;cursor:pointer}
nav input{font:inherit;width:8.5em;padding:3px 8px;border-radius:6px;border:1px solid #5c6b7a}
main{max-width:1120px;margin:0 auto;padding:24px 32px 48px}
.cards{display:grid;grid-template-columns:repeat(auto-fit,minmax(160px,1fr));gap:14px;margin-bottom:22px}
.card{background:#fff;border:1px solid var(--line);border-radius:10px;padding:14px 18px}
.card .name{color:var(--muted);font-size:13px}
.card .big{font-size:30px;font-weight:700;line-height:1.3}
.card .week{color:var(--muted);font-size:13px}
section{background:#fff;border:1px solid var(--line);border-radius:10px;padding:18px 22px;margin-bottom:22px}
section h2{font-size:16px;margin:0 0 12px}
.legend{display:flex;gap:16px;font-size:13px;color:var(--muted);margin-bottom:8px}
.legend i{display:inline-block;width:12px;height:12px;border-radius:3px;margin-right:6px;vertical-align:-1px}
.pair{display:grid;grid-template-columns:1fr 1fr;gap:22px}
@media (max-width:900px){.pair{grid-template-columns:1fr}}
.chart{width:100%;height:auto;font-family:inherit}
.chart .label{font-size:13px;fill:var(--ink)}
.chart .strong{font-weight:700}
.chart .value{font-size:12px;fill:var(--muted)}
.chart .small{font-size:11px}
.chart .click{fill:var(--click)}
.chart .view{fill:var(--view)}
.chart .chosen{fill:#fff4e6}
table{width:100%;border-collapse:collapse;font-size:14px}
th{white-space:nowrap;text-align:left;color:var(--muted);font-weight:500;border-bottom:1px solid var(--line);padding:6px 8px}
td{border-bottom:1px solid var(--line);padding:7px 8px}
.n{text-align:right;font-variant-numeric:tabular-nums}
.rank{color:var(--muted);width:3em}
.id{color:var(--muted);font-size:12px;font-family:monospace}
.muted,.empty{color:var(--muted)}
footer{color:var(--muted);font-size:12px;text-align:center}
.campaign{border-top:1px solid var(--line);padding:14px 0 10px}
.campaign .head{display:flex;align-items:baseline;gap:10px;flex-wrap:wrap}
.campaign h3{font-size:15px;margin:0}
.state{font-size:12px;border-radius:10px;padding:1px 10px;color:#fff}
.state.live{background:#2b8a3e}.state.soon{background:var(--view)}.state.over{background:#868e96}
.warn{color:var(--click);font-size:13px}
.meta{color:var(--muted);font-size:13px;margin:2px 0 8px}
.creative{color:var(--ink)}
.caps{display:grid;grid-template-columns:repeat(auto-fit,minmax(300px,1fr));gap:8px 22px;margin-bottom:8px}
.cap{display:grid;grid-template-columns:11em 1fr auto;gap:10px;align-items:center;font-size:13px}
.capname{color:var(--muted)}
.meter{height:10px;background:var(--line);border-radius:5px;overflow:hidden}
.meter span{display:block;height:100%;background:var(--view)}
.meter.full span{background:var(--click)}
.days{table-layout:fixed}.days th:first-child{width:11em}.days th,.days td{padding:4px 8px}
.days tbody th{color:var(--ink);font-weight:500;border-bottom:1px solid var(--line)}
.days .chosen{background:#fff4e6;font-weight:700}
.unbilled,.note{color:var(--muted);font-size:13px}
.note{margin:12px 0 0}
code{font-size:12px;background:var(--bg);padding:1px 4px;border-radius:4px}
.health{display:inline-block;border-radius:10px;padding:0 10px;font-size:12px;white-space:nowrap;background:#e6f4ea;color:#1e7b34}
.health.failing{background:#fde8e4;color:#c92a2a;font-weight:700}
.health.pending{background:var(--bg);color:var(--muted)}
.sources .address{font-family:monospace;font-size:12px;word-break:break-all}
.sources .error{color:#c92a2a;font-size:13px}
.sources td{white-space:nowrap}
.sources td.address,.sources td.error{white-space:normal}
)";

// A moment in Japan time, as a campaign's flight is shown.
std::string momentText(std::int64_t ms) {
    const std::int64_t minute = (ms + JapanOffsetMs) % DayMs / 60'000;
    char clock[8];
    std::snprintf(clock, sizeof clock, "%02d:%02d", static_cast<int>(minute / 60),
                  static_cast<int>(minute % 60));
    return dayText(dayOf(ms)) + " " + clock;
}

std::string percent(std::int64_t part, std::int64_t whole) {
    if (whole <= 0)
        return "—";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%",
                  100.0 * static_cast<double>(part) / static_cast<double>(whole));
    return text;
}

// How much of a cap is used, as a bar that turns red once the cap is reached.
std::string capMeter(const std::string& name, const char* key, std::int64_t used, std::int64_t cap) {
    const std::int64_t width = std::min<std::int64_t>(100, used * 100 / cap);
    std::ostringstream html;
    html << "<div class=\"cap\"><div class=\"capname\">" << name << "</div><div class=\"meter"
         << (used >= cap ? " full" : "") << "\"><span style=\"width:" << width
         << "%\"></span></div><div class=\"n\" data-cap=\"" << key << "\">" << number(used) << " / "
         << number(cap) << " (" << percent(used, cap) << ")</div></div>";
    return html.str();
}

const char* kindName(CampaignKind kind) {
    switch (kind) {
    case CampaignKind::Text:
        return "テキスト広告";
    case CampaignKind::Banner:
        return "バナー広告";
    case CampaignKind::Movie:
        break;
    }
    return "動画広告";
}

// One campaign as the page lists it: booked now, or only counted once.
struct CampaignRow {
    std::string id;
    const Campaign* booked = nullptr;
    int state = 0; // 0 running now, 1 not started, 2 ended, 3 no longer in the configuration
};

std::string campaignBlock(const CampaignRow& row, const std::map<int, AdFigures>& counted,
                          const std::vector<int>& days, int today) {
    const Campaign* c = row.booked;
    const auto on = [&](int day) {
        const auto found = counted.find(day);
        return found == counted.end() ? AdFigures{} : found->second;
    };
    std::int64_t billableInAll = 0;
    for (const auto& [day, f] : counted)
        billableInAll += f.billable;
    static const char* const states[][2] = {
        {"live", "配信中"}, {"soon", "開始前"}, {"over", "終了"}, {"over", "削除済み"}};
    int state = row.state;
    std::string why;
    if (state == 0 && c->clicks && billableInAll >= *c->clicks)
        state = 2, why = "予約クリック数に達したため配信を終えました";
    else if (state == 0 && c->dailyImpressions && on(today).impressions >= *c->dailyImpressions)
        why = "本日の上限に達したため、日本時間の0時まで配信を止めています";

    std::ostringstream html;
    html << "<article class=\"campaign\" data-campaign=\"" << escapeXML(row.id) << "\"><div class=\"head\">"
         << "<span class=\"state " << states[state][0] << "\">" << states[state][1] << "</span><h3>"
         << escapeXML(row.id) << "</h3>";
    if (c)
        html << "<span class=\"muted\">" << kindName(c->kind) << "・" << escapeXML(c->advertiser)
             << "</span>";
    html << "</div>";
    if (!why.empty())
        html << "<div class=\"warn\">" << why << "</div>";
    const bool plays = c && c->kind == CampaignKind::Movie;
    const char* const shown = plays ? "再生" : "表示";
    if (c) {
        html << "<div class=\"meta\">" << momentText(c->startMs) << " 〜 " << momentText(c->endMs)
             << "・重み " << c->weight;
        if (c->kind == CampaignKind::Text) {
            html << "・";
            if (c->channels.empty())
                html << "全チャンネル";
            for (std::size_t i = 0; i < c->channels.size(); ++i) {
                char key[8];
                std::snprintf(key, sizeof key, "%03d", c->channels[i]);
                html << (i ? ", " : "チャンネル ") << key;
            }
        }
        html << "<br><span class=\"creative\">" << escapeXML(shortened(c->text, 60)) << "</span></div>";
        if (c->dailyImpressions || c->clicks) {
            html << "<div class=\"caps\">";
            if (c->dailyImpressions)
                html << capMeter(std::string("1日の") + shown + "上限 (" + shortDay(days.back()) + ")",
                                 "daily", on(days.back()).impressions, *c->dailyImpressions);
            if (c->clicks)
                html << capMeter("予約クリック (これまで)", "clicks", billableInAll, *c->clicks);
            html << "</div>";
        }
    }
    AdFigures sum;
    for (const int day : days) {
        const AdFigures f = on(day);
        sum.impressions += f.impressions;
        sum.clicks += f.clicks;
        sum.billable += f.billable;
    }
    html << "<table class=\"days\"><thead><tr><th></th>";
    for (const int day : days)
        html << "<th class=\"n" << (day == days.back() ? " chosen" : "") << "\">" << shortDay(day) << "</th>";
    html << "<th class=\"n\">8日間</th></tr></thead><tbody>";
    const auto line = [&](const std::string& name, const char* key, auto value, const std::string& total) {
        html << "<tr><th>" << name << "</th>";
        for (const int day : days)
            html << "<td class=\"n" << (day == days.back() ? " chosen\" data-ad=\"" + std::string(key) : "")
                 << "\">" << value(on(day)) << "</td>";
        html << "<td class=\"n\">" << total << "</td></tr>";
    };
    line(
        shown, "impressions", [](const AdFigures& f) { return number(f.impressions); },
        number(sum.impressions));
    line(
        "クリック", "clicks", [](const AdFigures& f) { return number(f.clicks); }, number(sum.clicks));
    line(
        "課金クリック", "billable", [](const AdFigures& f) { return number(f.billable); },
        number(sum.billable));
    line(
        "クリック率", "rate", [](const AdFigures& f) { return percent(f.clicks, f.impressions); },
        percent(sum.clicks, sum.impressions));
    if (c && c->dailyImpressions)
        line(
            std::string(shown) + "上限の消化", "daily",
            [&](const AdFigures& f) { return percent(f.impressions, *c->dailyImpressions); }, "");
    html << "</tbody></table>";
    const AdFigures chosen = on(days.back());
    if (chosen.clicks > chosen.billable)
        html << "<div class=\"unbilled\">" << shortDay(days.back()) << " の課金対象外: 未登録のID "
             << number(chosen.unknownUser) << "・10分以内の再クリック " << number(chosen.repeat)
             << "・期間外または予約済み " << number(chosen.ended) << "</div>";
    html << "</article>";
    return html.str();
}

// Every campaign booked or counted, those running now first, with its figures of `days` (the chosen
// day last) from the stored counts.
std::string adsPart(const Database& database, const std::vector<Campaign>& campaigns,
                    const std::vector<int>& days, std::int64_t nowMs) {
    std::map<std::string, std::map<int, AdFigures>> counted;
    for (AdDayFigures& f : AdCounts::read(database, 0, 99991231))
        counted[f.campaign][f.day] = f.figures;
    std::vector<CampaignRow> rows;
    for (const Campaign& c : campaigns)
        rows.push_back({c.id, &c, c.runsAt(nowMs) ? 0 : nowMs < c.startMs ? 1 : 2});
    for (const auto& [id, figures] : counted)
        if (!id.empty() &&
            std::none_of(campaigns.begin(), campaigns.end(), [&](const Campaign& c) { return c.id == id; }))
            rows.push_back({id, nullptr, 3});
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CampaignRow& a, const CampaignRow& b) { return a.state < b.state; });

    std::ostringstream html;
    html << "<section class=\"ads\"><h2>広告</h2>";
    if (rows.empty())
        html << "<p class=\"empty\">予約されたキャンペーンはありません</p>";
    for (const CampaignRow& row : rows)
        html << campaignBlock(row, counted[row.id], days, dayOf(nowMs));
    std::int64_t strays = 0;
    for (const int day : days)
        if (const auto found = counted[""].find(day); found != counted[""].end())
            strays += found->second.unknownAd;
    if (strays > 0)
        html << "<p class=\"unbilled\">どのキャンペーンにも当たらない広告クリック (8日間): " << number(strays)
             << "</p>";
    html
        << "<p "
           "class=\"note\">表示はテキスト広告では配信した回数、バナー広告ではクライアントが報告した表示の数、"
           "動画広告では再生の数です。課金クリックは登録済みのIDから、キャンペーンごとに10分に1回まで、"
           "配信期間とその後15分のあいだのクリックです。<code>brisma-server forget</code> "
           "はユーザーのクリックの記録を消しますが、日ごとの数字はそのまま残ります。"
           "バナー広告はクライアントが起動時にだけ読むため、配信中のクライアントに届くのも、"
           "終了や上限で外れるのも、次にクライアントが起動したときです。</p></section>";
    return html.str();
}

} // namespace

std::optional<AdminPeriod> adminPeriod(const std::string& day, std::int64_t nowMs) {
    std::int64_t dayMs = 0;
    if (day.empty()) {
        dayMs = (nowMs + JapanOffsetMs) / DayMs * DayMs - JapanOffsetMs;
    } else {
        if (day.size() != 8 ||
            !std::all_of(day.begin(), day.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const int value = std::stoi(day);
        const std::chrono::year_month_day date{std::chrono::year{value / 10000},
                                               std::chrono::month{static_cast<unsigned>(value / 100 % 100)},
                                               std::chrono::day{static_cast<unsigned>(value % 100)}};
        if (!date.ok())
            return std::nullopt;
        dayMs = std::chrono::sys_days{date}.time_since_epoch().count() * DayMs - JapanOffsetMs;
    }
    return AdminPeriod{dayOf(dayMs), dayMs, dayMs - WeekBefore * DayMs, dayMs + DayMs};
}

std::string adminPage(const Database& database, const AdminPeriod& period,
                      const std::map<std::string, std::string>& channelNames,
                      const std::map<std::string, std::vector<int>>& sourceChannels,
                      const std::vector<Campaign>& campaigns, std::int64_t nowMs) {
    const Figures week = readFigures(database, period.fromMs, period.toMs, TopCount);
    const Figures today = readFigures(database, period.dayMs, period.toMs, TopCount);
    const DayFigures& day = today.days.back();
    const Totals dayTotals = totalsOf(today.days);
    const Totals weekTotals = totalsOf(week.days);
    std::int64_t weekActive = 0;
    for (const DayFigures& d : week.days)
        weekActive = std::max(weekActive, d.activeUsers);

    std::ostringstream html;
    html << "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
            "'unsafe-inline'; "
            "form-action 'self'\"><meta name=\"robots\" content=\"noindex\">"
            "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\"><title>Brisma 運用状況 "
         << dayText(period.day) << "</title><style>" << Style << "</style></head><body>";
    html << "<header><h1>Brisma 運用状況</h1><div class=\"day\">" << dayText(period.day)
         << " と前の7日間</div>"
         << "<nav><a href=\"?day=" << dayOf(period.dayMs - DayMs)
         << "\">&#9664; 前日</a><a href=\"?day=" << dayOf(period.dayMs + DayMs)
         << "\">翌日 &#9654;</a><form method=\"get\"><input name=\"day\" value=\"" << period.day
         << "\" inputmode=\"numeric\" pattern=\"[0-9]{8}\" aria-label=\"日付 (YYYYMMDD)\"> "
         << "<button>表示</button></form></nav></header><main>";
    html << "<div class=\"cards\">" << card("クリック", "clicks", dayTotals.clicks, weekTotals.clicks)
         << card("表示", "views", dayTotals.views, weekTotals.views)
         << "<div class=\"card\"><div class=\"name\">アクティブユーザー</div><div class=\"big\" "
            "data-figure=\"active\">"
         << number(day.activeUsers) << "</div><div class=\"week\">8日間の最多 " << number(weekActive)
         << "</div></div>"
         << card("新規登録", "registrations", dayTotals.registrations, weekTotals.registrations)
         << card("チャンネル追加", "opens", dayTotals.opens, weekTotals.opens)
         << card("チャンネル削除", "closes", dayTotals.closes, weekTotals.closes) << "</div>";
    const char* const legend =
        "<div class=\"legend\"><span><i style=\"background:var(--click)\"></i>クリック</span>"
        "<span><i style=\"background:var(--view)\"></i>表示</span></div>";
    html << "<section><h2>日別の推移</h2>" << legend << dailyChart(week.days) << "</section>";
    html << "<div class=\"pair\"><section><h2>チャンネル別 (" << shortDay(period.day) << ")</h2>" << legend
         << channelChart(day.channels, channelNames) << "</section><section><h2>チャンネル別 (8日間)</h2>"
         << legend << channelChart(summed(week.days), channelNames) << "</section></div>";
    html << "<div class=\"pair\"><section><h2>よくクリックされた見出し (" << shortDay(period.day) << ")</h2>"
         << topTable(today.top) << "</section><section><h2>よくクリックされた見出し (8日間)</h2>"
         << topTable(week.top) << "</section></div>";
    html << "<section><h2>日別の数字</h2><table><thead><tr><th>日付</th><th class=\"n\">クリック</th><th "
            "class=\"n\">表示</th><th class=\"n\">アクティブユーザー</th><th class=\"n\">新規登録</th><th "
            "class=\"n\">チャンネル追加</th><th class=\"n\">チャンネル削除</th></tr></thead><tbody>";
    for (auto d = week.days.rbegin(); d != week.days.rend(); ++d) {
        const Totals t = totalsOf({*d});
        html << "<tr><td>" << dayText(d->day) << "</td><td class=\"n\">" << number(t.clicks)
             << "</td><td class=\"n\">" << number(t.views) << "</td><td class=\"n\">"
             << number(d->activeUsers) << "</td><td class=\"n\">" << number(d->registrations)
             << "</td><td class=\"n\">" << number(d->opens) << "</td><td class=\"n\">" << number(d->closes)
             << "</td></tr>";
    }
    html << "</tbody></table></section>";
    std::vector<int> days;
    for (const DayFigures& d : week.days)
        days.push_back(d.day);
    html << adsPart(database, campaigns, days, nowMs);
    html << sourcesSection(readSourceRows(database, sourceChannels), channelNames);
    html << "<footer>日付は日本時間。アクティブユーザーは報告を送った登録済みIDの数。"
            "</footer></main></body></html>";
    return html.str();
}

} // namespace brisma::server
