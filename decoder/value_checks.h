#pragma once
// One decoder rule applied to one row of a unit: the value cut out of the
// FMS bytes, the unit's memory filling in for missing bytes, and the
// plausibility checks that hold back implausible values.
//
// Rows whose frame is 2 are decoded as they stand: valid bytes give their
// value, and the unit's memory is neither used nor changed. For every other
// row:
//   - bytes not valid: the value kept in keep_slot, when there is one;
//   - no check (count_slot none): the value is accepted;
//   - relative check (ref_slot set): accepted when nothing is kept in
//     ref_slot yet or the change against it lies within -low .. +high
//     (the rejection counter is then cleared); otherwise held back, the
//     kept reference written instead, as long as the counter is below the
//     tolerance (the low 8 bits of substitute's integer part), and accepted
//     once it is not (the counter then stays). Accepting stores the value
//     in ref_slot;
//   - absolute check: accepted within low .. high (counter cleared);
//     otherwise substitute is written, and kept in keep_slot, and the counter
//     grows (up to 255);
//   - an accepted value is kept in keep_slot.

#include <cstdint>

#include "common/decode_rule.h"
#include "common/fms_decode.h"
#include "decoder/decoder_device.h"

struct RuleResult {
    bool assign = false;  // the rule's column gets `value`
    double value = 0;
};

RuleResult ApplyDecoderRule(const DecodeRule& rule, const DecodeChecks& checks, int frame,
                            const FmsArea& area, DecoderDevice& device);

// Consecutive rejections a relative check tolerates: the integer part of
// `substitute` as a 16-bit number, of which the low 8 bits count. A value
// without an integer part that fits (not finite, beyond 64 bits) gives 0.
uint8_t RelativeTolerance(float substitute);
