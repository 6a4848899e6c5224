#include "decoder/value_checks.h"

#include <cmath>

namespace {

constexpr int kFrameUnchecked = 2;

RuleResult Assign(double value) {
    return RuleResult{true, value};
}

}  // namespace

uint8_t RelativeTolerance(float substitute) {
    double whole = std::trunc(static_cast<double>(substitute));
    if (!std::isfinite(whole) || std::fabs(whole) >= 9.2e18) return 0;
    return static_cast<uint8_t>(static_cast<uint16_t>(static_cast<int64_t>(whole)) & 0xFFu);
}

RuleResult ApplyDecoderRule(const DecodeRule& rule, const DecodeChecks& checks, int frame,
                            const FmsArea& area, DecoderDevice& device) {
    bool valid = FmsRuleValid(rule, area);
    if (frame == kFrameUnchecked) {
        if (!valid) return {};
        return Assign(FmsRuleValue(rule, area));
    }

    int keep = SlotIndex(checks.keep_slot);
    int count = SlotIndex(checks.count_slot);
    int ref = SlotIndex(checks.ref_slot);
    auto kept = [&](int slot) -> double& { return device.kept[static_cast<size_t>(slot)]; };

    if (!valid) {
        if (keep >= 0 && KeptIsSet(kept(keep))) return Assign(kept(keep));
        return {};
    }

    double value = FmsRuleValue(rule, area);
    if (count >= 0) {
        uint8_t& rejections = device.rejections[static_cast<size_t>(count)];
        double low = static_cast<double>(checks.low);
        double high = static_cast<double>(checks.high);
        if (ref >= 0) {
            double reference = kept(ref);
            double change = value - reference;
            if (!KeptIsSet(reference) || (-low <= change && change <= high)) {
                rejections = 0;
            } else if (rejections < RelativeTolerance(checks.substitute)) {
                ++rejections;
                return Assign(reference);
            }
            kept(ref) = value;
        } else if (low <= value && value <= high) {
            rejections = 0;
        } else {
            if (rejections < 255) ++rejections;
            double substitute = static_cast<double>(checks.substitute);
            if (keep >= 0) kept(keep) = substitute;
            return Assign(substitute);
        }
    }
    if (keep >= 0) kept(keep) = value;
    return Assign(value);
}
