#include "server/model/HeadlineId.h"

#include "server/model/JapanTime.h"

#include <cstdio>
#include <stdexcept>

namespace brisma::server {
namespace {

// A source's clock may run this far ahead of ours.
constexpr std::int64_t FutureAllowance = std::int64_t{10} * 60;

} // namespace

std::string makeHeadlineId(int channel, std::int64_t epochSeconds, const FreeSerial& freeSerial) {
    if (channel < 0 || channel > 999)
        throw std::out_of_range("headline id of channel " + std::to_string(channel));
    char channelDigits[8];
    std::snprintf(channelDigits, sizeof channelDigits, "%03d", channel);
    for (std::int64_t minute = epochSeconds;; minute += 60) {
        const std::string prefix = channelDigits + japan::minuteOf(minute);
        const int serial = freeSerial(prefix);
        if (serial >= 1 && serial <= MaxHeadlineSerial) {
            char serialDigits[8];
            std::snprintf(serialDigits, sizeof serialDigits, "%04d", serial);
            return prefix + serialDigits;
        }
    }
}

std::int64_t publicationTime(std::optional<std::int64_t> date, std::int64_t firstSeen, std::int64_t now) {
    if (!date || *date > now + FutureAllowance)
        return firstSeen;
    return *date;
}

} // namespace brisma::server
