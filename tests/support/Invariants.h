#pragma once
// Random tests check a data structure's invariants after every step in debug and sanitizer builds
// (QUILLORY_INVARIANT_CHECKS); elsewhere the check costs nothing.

#include <gtest/gtest.h>

#include <string>

#ifdef QUILLORY_INVARIANT_CHECKS
#define EXPECT_INVARIANTS(structure) EXPECT_EQ((structure).checkInvariants(), std::string())
#else
#define EXPECT_INVARIANTS(structure) static_cast<void>(0)
#endif
