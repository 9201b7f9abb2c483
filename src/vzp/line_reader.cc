// The piecewise line reader of the VZP checker over the block reader; see line_reader.h.
#include "vzp/line_reader.h"

namespace quervik::vzp {

VzpLineReader::VzpLineReader(FILE* stream) : reader_(stream) {}

}  // namespace quervik::vzp
