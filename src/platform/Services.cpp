#include "platform/Services.h"

namespace brisma {

Services::Services(ServicesConfig config)
    : paths(std::move(config.appFolder)), serverBase(std::move(config.serverBase)),
      http(&gate, config.httpLimits), messages(config.messages),
      clock(config.clock ? *config.clock : systemClock_) {}

} // namespace brisma
