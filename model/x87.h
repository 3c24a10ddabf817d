#pragma once
// Sine, cosine and arctangent with a 64-bit significand from the x87 unit itself, as the
// original extended-precision arithmetic computed them (FSIN, FCOS, FPATAN), for the hot
// loops: the C library's long double versions reduce every argument beyond pi/4 in
// multiple precision and cost several times more. FSIN and FCOS reduce with a 66-bit pi,
// so near a multiple of pi their absolute error is about 1e-19: far below a double's
// resolution for the motion laws, but not for a residue that is itself the result (a
// point on an axis). Sample angles and rotations therefore use the C library.

#include <cmath>

namespace platecam {

#if defined(__x86_64__) || defined(__i386__)

// FSIN and FCOS take arguments below 2^63; beyond that the library reduces them.
inline constexpr long double X87ArgumentLimit = 9.2233720368547758e18L;

inline long double Sin(long double x) {
    if (!(std::fabs(x) < X87ArgumentLimit)) return std::sin(x);
    long double r;
    asm("fsin" : "=t"(r) : "0"(x));
    return r;
}

inline long double Cos(long double x) {
    if (!(std::fabs(x) < X87ArgumentLimit)) return std::cos(x);
    long double r;
    asm("fcos" : "=t"(r) : "0"(x));
    return r;
}

inline long double ArcTan(long double x) {
    long double r;
    asm("fld1\n\tfpatan" : "=t"(r) : "0"(x));
    return r;
}

#else

inline long double Sin(long double x) { return std::sin(x); }
inline long double Cos(long double x) { return std::cos(x); }
inline long double ArcTan(long double x) { return std::atan(x); }

#endif

}  // namespace platecam
