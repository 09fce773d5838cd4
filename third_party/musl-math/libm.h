/* The part of musl's internal libm.h that the functions kept here use, written for this
 * project, since musl's own header needs musl's internal headers. It is included first into
 * every file of this folder (by the build), so that it also:
 * - renames every function and table to a game_ or game_musl_ name, so that none can clash
 *   with the system's C library or take its place;
 * - fixes the evaluation types to float and double, and turns off the fused multiply-add
 *   paths that pow would take where the compiler offers them, so that every system and CPU
 *   runs the same operations in the same order and gets the same bits.
 * The .c files are musl 1.2.3's, unchanged but for the dropped <features.h> of the tables'
 * headers (scripts/import-musl-math.sh). */
#ifndef GAME_MUSL_LIBM_H
#define GAME_MUSL_LIBM_H

#include <float.h>
#include <math.h>
#include <stdint.h>

#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "the game's math needs float and double arithmetic without excess precision"
#endif
#undef double_t
#undef float_t
#define double_t double
#define float_t float
#undef __FP_FAST_FMA
#ifndef M_PI_2
#define M_PI_2 1.57079632679489661923 /* as the C libraries give it, outside strict C */
#endif

#define sin game_sin
#define cos game_cos
#define sinf game_sinf
#define cosf game_cosf
#define atan game_atan
#define atanf game_atanf
#define atan2 game_atan2
#define atan2f game_atan2f
#define acos game_acos
#define pow game_pow
#define scalbn game_musl_scalbn
#define __sin game_musl_sin_kernel
#define __cos game_musl_cos_kernel
#define __sindf game_musl_sindf_kernel
#define __cosdf game_musl_cosdf_kernel
#define __rem_pio2 game_musl_rem_pio2
#define __rem_pio2f game_musl_rem_pio2f
#define __rem_pio2_large game_musl_rem_pio2_large
#define __math_oflow game_musl_math_oflow
#define __math_uflow game_musl_math_uflow
#define __math_xflow game_musl_math_xflow
#define __math_invalid game_musl_math_invalid
#define __math_divzero game_musl_math_divzero
#define __exp_data game_musl_exp_data
#define __pow_log_data game_musl_pow_log_data

#define hidden

#define WANT_ROUNDING 1
#define issignaling_inline(x) 0
#define TOINT_INTRINSICS 0

#ifdef __GNUC__
#define predict_true(x) __builtin_expect(!!(x), 1)
#define predict_false(x) __builtin_expect(x, 0)
#else
#define predict_true(x) (x)
#define predict_false(x) (x)
#endif

static inline float eval_as_float(float x)
{
	float y = x;
	return y;
}

static inline double eval_as_double(double x)
{
	double y = x;
	return y;
}

static inline float fp_barrierf(float x)
{
	volatile float y = x;
	return y;
}

static inline double fp_barrier(double x)
{
	volatile double y = x;
	return y;
}

static inline void fp_force_evalf(float x)
{
	volatile float y;
	y = x;
	(void)y;
}

static inline void fp_force_eval(double x)
{
	volatile double y;
	y = x;
	(void)y;
}

#define FORCE_EVAL(x) do {                        \
	if (sizeof(x) == sizeof(float)) {         \
		fp_force_evalf(x);                \
	} else {                                  \
		fp_force_eval(x);                 \
	}                                         \
} while(0)

#define asuint(f) ((union{float _f; uint32_t _i;}){f})._i
#define asfloat(i) ((union{uint32_t _i; float _f;}){i})._f
#define asuint64(f) ((union{double _f; uint64_t _i;}){f})._i
#define asdouble(i) ((union{uint64_t _i; double _f;}){i})._f

#define EXTRACT_WORDS(hi,lo,d)                    \
do {                                              \
  uint64_t __u = asuint64(d);                     \
  (hi) = __u >> 32;                               \
  (lo) = (uint32_t)__u;                           \
} while (0)

#define GET_HIGH_WORD(hi,d)                       \
do {                                              \
  (hi) = asuint64(d) >> 32;                       \
} while (0)

#define GET_LOW_WORD(lo,d)                        \
do {                                              \
  (lo) = (uint32_t)asuint64(d);                   \
} while (0)

#define INSERT_WORDS(d,hi,lo)                     \
do {                                              \
  (d) = asdouble(((uint64_t)(hi)<<32) | (uint32_t)(lo)); \
} while (0)

#define SET_HIGH_WORD(d,hi)                       \
  INSERT_WORDS(d, hi, (uint32_t)asuint64(d))

#define SET_LOW_WORD(d,lo)                        \
  INSERT_WORDS(d, asuint64(d)>>32, lo)

#define GET_FLOAT_WORD(w,d)                       \
do {                                              \
  (w) = asuint(d);                                \
} while (0)

#define SET_FLOAT_WORD(d,w)                       \
do {                                              \
  (d) = asfloat(w);                               \
} while (0)

double sin(double);
double cos(double);
float sinf(float);
float cosf(float);
double atan(double);
float atanf(float);
double atan2(double, double);
float atan2f(float, float);
double acos(double);
double pow(double, double);
double scalbn(double, int);

int __rem_pio2_large(double *, double *, int, int, int);
int __rem_pio2(double, double *);
double __sin(double, double, int);
double __cos(double, double);
int __rem_pio2f(float, double *);
float __sindf(double);
float __cosdf(double);

double __math_xflow(uint32_t, double);
double __math_uflow(uint32_t);
double __math_oflow(uint32_t);
double __math_divzero(uint32_t);
double __math_invalid(double);

#endif
