#include "world/GameHint.h"

#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "world/GameProp.h"
#include "world/GameRecords.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameSite.h"

#include <cstdlib>

namespace valdmoor {
namespace {

uint32_t walk = 0;

void LogLoop(bool& logged, const std::string& what, const std::string& name) {
    if (!logged) {
        logged = true;
        LogMessage(what + " loop at \"" + name + "\"");
    }
}

THint* ResolveSubhints(THint* hint, int32_t amount, const TSite* site, int32_t depth,
                       int32_t& shown);

bool Applies(const THint& hint, int32_t amount, const TSite* site) {
    if (hint.UntilProp != nullptr && hint.UntilProp->Count >= amount) {
        return false;
    }
    if (hint.NeedProp != nullptr && hint.NeedProp->Count < hint.NeedAmount) {
        return false;
    }
    if (hint.UntilVisited != nullptr && hint.UntilVisited->Visits > 0) {
        return false;
    }
    if (hint.NeedVisited != nullptr && hint.NeedVisited->Visits == 0) {
        return false;
    }
    if (hint.UntilEntered != 0 && site != nullptr && site->Entered) {
        return false;
    }
    if (hint.UntilSiteEntered != nullptr && hint.UntilSiteEntered->Entered) {
        return false;
    }
    return hint.NotInRegion == nullptr || hint.NotInRegion != CurrentRegion();
}

THint* Resolve(THint* hint, int32_t amount, const TSite* site, int32_t depth, int32_t& shown) {
    if (hint->WalkMark == walk) {
        // Met again in this walk: a loop in the data when it is still being tried, else a
        // shared branch that already had its chance.
        if (hint->OnPath) {
            LogLoop(hint->CycleLogged, "Hint chain", hint->Name());
        }
        return nullptr;
    }
    hint->WalkMark = walk;
    if (!Applies(*hint, amount, site)) {
        return nullptr;
    }
    hint->OnPath = true;
    THint* found = ResolveSubhints(hint, amount, site, depth, shown);
    hint->OnPath = false;
    if (found != nullptr) {
        return found;
    }
    if (hint->GroupOnly != 0) {
        return nullptr;
    }
    shown = amount;
    return hint;
}

THint* ResolveSubhints(THint* hint, int32_t amount, const TSite* site, int32_t depth,
                       int32_t& shown) {
    for (std::size_t i = 0; i < hint->Subhints.size(); ++i) {
        THint* sub = hint->Subhints[i];
        if (sub == nullptr) {
            continue;
        }
        if (depth >= MaxHintDepth) {
            LogLoop(hint->CycleLogged, "Hint chain", hint->Name());
            break;
        }
        const int32_t s = hint->SubAmounts[i];
        int32_t a = amount;
        if (s > 0) {
            a = s;
        } else if (s < 0) {
            const int64_t remaining = hint->UntilProp != nullptr
                                          ? static_cast<int64_t>(amount) - hint->UntilProp->Count
                                          : amount;
            a = SaturateInt32(std::llabs(static_cast<int64_t>(s)) * remaining);
        }
        if (THint* found = Resolve(sub, a, site, depth + 1, shown)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

void THint::Load(TStream& stream, const TLoadContext& context) {
    TRecordBytes<HintRecordSize> record;
    TRecordReader r = ReadRecord(stream, record);
    Number = r.Int32();
    UntilProp = valdmoor::Resolve(context.Props, r.Int32());
    NeedProp = valdmoor::Resolve(context.Props, r.Int32());
    NeedAmount = r.Int32();
    UntilVisited = valdmoor::Resolve(context.Sites, r.Int32());
    NeedVisited = valdmoor::Resolve(context.Sites, r.Int32());
    UntilEntered = r.Byte();
    UntilSiteEntered = valdmoor::Resolve(context.Sites, r.Int32());
    NotInRegion = valdmoor::Resolve(context.Regions, r.Int32());
    for (THint*& sub : Subhints) {
        sub = valdmoor::Resolve(context.Hints, r.Int32());
    }
    for (int32_t& amount : SubAmounts) {
        amount = r.Int32();
    }
    GroupOnly = r.Byte();
    Display[0] = r.Byte();
    Display[1] = r.Byte();
    r.Finish();
}

std::string THint::Legend() const {
    return "HintLegendH" + std::to_string(Number);
}

THint* ResolveHint(THint* hint, int32_t amount, const TSite* site, int32_t& shown) {
    shown = 0;
    if (hint == nullptr) {
        return nullptr;
    }
    ++walk;
    return Resolve(hint, amount, site, 0, shown);
}

THint* NextRecommendedHint(TSite*& site, int32_t& amount) {
    amount = 0;
    site = RecommendationStart();
    static uint32_t chainWalk = 0;
    ++chainWalk;
    while (site != nullptr && (site->Visits > 0 || site->Closed)) {
        site->ChainMark = chainWalk;
        TSite* next = site->NextRecommended;
        if (next != nullptr && next->ChainMark == chainWalk) {
            LogLoop(next->ChainLoopLogged, "Recommendation chain", next->Name());
            next = nullptr;
        }
        site = next;
    }
    if (site == nullptr || site->Hint == nullptr) {
        return nullptr;
    }
    return ResolveHint(site->Hint, 1, site, amount);
}

} // namespace valdmoor
