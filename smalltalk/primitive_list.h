// The numbered primitives, listed once: X(number, name, handler).
//
// Adding a primitive is one line here plus its function (signature
// `ObjectRef handler(ObjectRef* args)`) in the family's own file; the table,
// the declarations and the tests all read this list. Numbers 0-159 that are
// not listed answer nil and do nothing; 160-255 are empty slots that the
// interpreter answers with nil without calling anything. Keep the lines in
// ascending order of number.
//
// The handler receives the address of its first argument on the process
// stack; the arguments follow in source order. It answers nil on failure.
#pragma once

#define TOLVA_PRIMITIVES(X)                              \
  X(2, "object table walk", primObjectWalk)              \
  X(3, "random", primRandom)                             \
  X(5, "toggle watching", primToggleWatch)               \
  X(9, "quit", primQuit)                                 \
  X(11, "class", primClassOf)                            \
  X(12, "basic size", primBasicSize)                     \
  X(13, "identity number", primIdentityNumber)           \
  X(18, "block return unwind", primUnwindStep)           \
  X(19, "run process slice", primRunProcess)             \
  X(21, "identical", primIdentical)                      \
  X(22, "set class", primSetClass)                       \
  X(24, "string concatenation", primConcatenate)         \
  X(25, "basicAt:", primBasicAt)                         \
  X(26, "byteAt:", primByteAt)                           \
  X(27, "define global", primDefineGlobal)               \
  X(28, "set caller context", primSetCallerContext)      \
  X(29, "block copy", primBlockCopy)                     \
  X(31, "basicAt:put:", primBasicAtPut)                  \
  X(32, "byteAt:put:", primByteAtPut)                    \
  X(33, "copyFrom:to:", primCopyFromTo)                  \
  X(38, "flush cache selector", primFlushCacheSelector)  \
  X(39, "compile method", primCompileMethod)             \
  X(42, "system information", primSystemInfo)            \
  X(51, "integer to float", primIntegerToFloat)          \
  X(53, "set slice budget", primSetSliceBudget)          \
  X(55, "seed random", primSeedRandom)                   \
  X(58, "new pointer object", primNewPointerObject)      \
  X(59, "new byte object", primNewByteObject)            \
  X(60, "integer +", primIntegerAdd)                     \
  X(61, "integer -", primIntegerSubtract)                \
  X(62, "integer <", primIntegerLess)                    \
  X(63, "integer >", primIntegerGreater)                 \
  X(64, "integer <=", primIntegerLessEqual)              \
  X(65, "integer >=", primIntegerGreaterEqual)           \
  X(66, "integer =", primIntegerEqual)                   \
  X(67, "integer ~=", primIntegerNotEqual)               \
  X(68, "integer *", primIntegerMultiply)                \
  X(69, "integer quo:", primIntegerQuo)                  \
  X(70, "integer rem:", primIntegerRem)                  \
  X(71, "integer bitAnd:", primIntegerBitAnd)            \
  X(72, "integer bitXor:", primIntegerBitXor)            \
  X(73, "integer scramble", primScramble)                \
  X(79, "bit shift", primBitShift)                       \
  X(81, "string length", primStringLength)               \
  X(82, "string hash", primStringHash)                   \
  X(83, "as symbol", primAsSymbol)                       \
  X(87, "global value", primGlobalValue)                 \
  X(88, "system command", primSystemCommand)             \
  X(98, "format time", primFormatTime)                   \
  X(99, "calendar fields", primCalendar)                 \
  X(100, "current time", primCurrentTime)                \
  X(101, "float print string", primFloatPrintString)     \
  X(102, "float ln", primFloatLn)                        \
  X(103, "float exp", primFloatExp)                      \
  X(106, "float split", primFloatSplit)                  \
  X(110, "float +", primFloatAdd)                        \
  X(111, "float -", primFloatSubtract)                   \
  X(112, "float <", primFloatLess)                       \
  X(113, "float >", primFloatGreater)                    \
  X(114, "float <=", primFloatLessEqual)                 \
  X(115, "float >=", primFloatGreaterEqual)              \
  X(116, "float =", primFloatEqual)                      \
  X(117, "float ~=", primFloatNotEqual)                  \
  X(118, "float *", primFloatMultiply)                   \
  X(119, "float /", primFloatDivide)                     \
  X(120, "open slot", primOpenSlot)                      \
  X(121, "close slot", primCloseSlot)                    \
  X(122, "flush slot", primFlushSlot)                    \
  X(123, "file in", primFileInSlot)                      \
  X(124, "directory", primDirectory)                     \
  X(125, "read line", primReadLine)                      \
  X(126, "rewind slot", primRewindSlot)                  \
  X(127, "write image", primWriteImage)                  \
  X(128, "write text", primWriteText)                    \
  X(129, "write line", primWriteLine)                    \
  X(144, "placeholder", primPlaceholder)                 \
  X(148, "environment", primEnvironment)                 \
  X(149, "socket", primSocket)                           \
  X(151, "set trace counter", primSetTraceCounter)       \
  X(152, "fatal error", primFatalError)                  \
  X(153, "collect garbage", primCollectGarbage)          \
  X(154, "change log", primChangeLog)                    \
  X(157, "read chunk", primReadChunk)                    \
  X(158, "write chunk", primWriteChunk)                  \
  X(159, "release fresh objects", primReleaseFresh)
