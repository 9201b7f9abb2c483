// The dispatch table; see dispatch.h.
#include "convert/dispatch.h"

#include "convert/older_layouts.h"

namespace quervik::convert {
namespace {

const DispatchRow kDispatch[] = {
    {"05", 'P', {always(kBFrom05P)}, kReadsNextLine},
    {"05", 'V', {always(kCFrom05V)}},
    {"05", 'N', {always(kCFrom05N)}},
    // A second prescription is written only when its kind is 1 or 2.
    {"10", 'R', {always(kBFrom10R), always(kCFrom10RFirst), onlyIf(kCFrom10RSecond, 56, "12")}, kOwnLineOnly,
     146, {always(kBFrom10R), always(kCFrom10RFirst146), onlyIf(kCFrom10RSecond146, 85, "12")}},
    {"12", 'B', {always(kBFrom12B)}, kBecomesDocumentLine},
    {"12", 'M', {always(kCFrom12M)}},
    {"13", 'O', {always(kBFrom13O), always(kCFrom13O)}},
    {"14", 'F', {always(kBFrom14F), always(kCFrom14F)}, kBecomesDocumentLine},
    {"14", 'M', {always(kCFrom14M)}},
    {"34", 'T', {always(kBFrom34T)}},
    {"34", 'V', {always(kCFrom34V)}},
    {"36", 'J', {always(kBFrom36J)}, kReadsNextLine | kBecomesDocumentLine},
    {"36", 'V', {always(kCFrom36V)}},
    {"37", 'W', {always(kBFrom37W)}, kBecomesDocumentLine},
    {"37", 'V', {always(kCFrom37V)}},
    {"37", 'L', {always(kCFrom37L)}},
    {"81, 98", 'A', {always(kBFrom81A)}},
    {"81, 98", 'V', {always(kCFrom81V)}},
    {"82, 99", 'H', {always(kBFrom82H)}},
    {"82, 99", 'V', {always(kCFrom82V)}},
    {"82, 99", 'K', {always(kCFromK)}},
    {"81, 82, 90, 98, 99", 'L', {always(kCFromL)}},
    {"90", 'E', {always(kBFrom90E)}},
    {"90", 'V', {always(kCFrom90V)}},
    {kEveryTypeExcept05, 'N', {always(kCFromN)}},
    {kEveryTypeExcept05, 'G', {always(kCFromG)}},
    {kEveryTypeExcept05, 'Z', {always(kBFromZ)}},
};

bool rowApplies(const DispatchRow& row, int batchType) {
  if (row.batchTypes == kEveryTypeExcept05) return batchType != 5;
  return batchTypeListed(row.batchTypes, batchType);
}

}  // namespace

std::span<const DispatchRow> dispatchTable() { return kDispatch; }

const DispatchRow* findDispatchRow(int batchType, char letter) {
  for (const DispatchRow& row : kDispatch)
    if (row.letter == letter && rowApplies(row, batchType)) return &row;
  return nullptr;
}

}  // namespace quervik::convert
