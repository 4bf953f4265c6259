// hypot and pow served to the effect. The C runtimes of our two platforms
// disagree in the last bits of these two, and frames must be identical on
// both, so we compute them ourselves with only +, -, *, /, sqrt, floor,
// frexp and ldexp, which are exact or correctly rounded everywhere.
#ifndef FOLVEK_RUNNER_CORE_PORTABLE_MATH_H
#define FOLVEK_RUNNER_CORE_PORTABLE_MATH_H

namespace runner {

// Within about one ulp of the true value; no overflow or underflow in the
// intermediate steps.
double PortableHypot(double x, double y);

// Integer exponents by repeated squaring (exact for powers of two, and
// for every exact result that fits in 53 bits); others through a
// logarithm and exponential of our own. C's special cases (0, 1, inf, NaN,
// negative bases) as pow does.
double PortablePow(double base, double exponent);

}  // namespace runner

#endif
