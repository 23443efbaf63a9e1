// Vectors of doubles as GCC's vector extension builds them, and the few
// helpers the kernels use on them.
//
// A kernel is written once as a template over the vector type and compiled
// for each instruction-set level with a target attribute. Lanes are
// independent sums and every lane does the same IEEE operation as the plain
// loop, so every width gives the same bits. A width the processor lacks still
// compiles without the attribute (GCC splits the vector into the halves it
// has), which is how the tests run the eight-lane kernels on any machine.
#pragma once

#include <cstddef>
#include <cstring>

typedef double v2d __attribute__((vector_size(16)));
typedef double v4d __attribute__((vector_size(32)));
typedef double v8d __attribute__((vector_size(64)));

template <class V>
inline constexpr int lanes = static_cast<int>(sizeof(V) / sizeof(double));

// The helpers take their results by reference: a vector returned by value
// from a function built without the matching instruction set would change the
// calling convention.
template <class V>
__attribute__((always_inline)) inline void splat(V &v, double x) {
  for (int l = 0; l < lanes<V>; ++l) v[l] = x;
}

template <class V>
__attribute__((always_inline)) inline void load(V &v, const double *p) {
  std::memcpy(&v, p, sizeof v);
}

template <class V>
__attribute__((always_inline)) inline void store(double *p, const V &v) {
  std::memcpy(p, &v, sizeof v);
}
