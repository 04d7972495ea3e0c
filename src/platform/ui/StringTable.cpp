#include "platform/ui/StringTable.h"

namespace brisma {

std::string LoadResString(int id) {
    switch (id) {
    case 101:
        return "ﾍｯﾄﾞﾗｲﾝを隠す";
    case 102:
        return "ﾍｯﾄﾞﾗｲﾝを表示";
    case 104:
        return "ユーザー設定(&O)";
    case 105:
        return "終了(&X)";
    case 119:
        return BRISMA_VERSION;
    case 182:
        return "最新ﾆｭｰｽﾘｽﾄを表示";
    case 183:
        return "最新ﾆｭｰｽﾘｽﾄを隠す";
    default:
        return {};
    }
}

} // namespace brisma
