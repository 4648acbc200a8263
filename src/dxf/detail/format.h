#pragma once
// The writer's text for a real value.

namespace nyx::detail {

// Writes Value at Out and returns the end: the shortest text with at most 15
// significant digits and no trailing zeros, with a point as the separator; fixed
// notation from 0.00001 up to 15 digits before the point, otherwise mantissa, "E" and
// the exponent without plus sign or leading zeros (1E-6, 1.5E20). "NAN", "INF" and
// "-INF" for what is no number. At most 24 characters.
char* FormatReal(char* Out, double Value);

}  // namespace nyx::detail
