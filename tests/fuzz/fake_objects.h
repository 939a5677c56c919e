#pragma once
// A fuzzing client's own automation objects: one whose every property answers, one whose
// every property fails, one whose properties hold values that convert to nothing, and one
// that answers only IUnknown. Property values come from the running call's ValueMaker.
#include <windows.h>
#include <oaidl.h>

class ValueMaker;

enum class FakeKind { Good, Failing, WrongType };

// A new object with one reference.
IDispatch* NewFake(FakeKind kind);
IUnknown* NewUnknownOnly();

// Where property values come from while a call runs (null between calls: every property fails).
void SetPropertySource(ValueMaker* values);
// How often any fake was asked for a name or a property so far.
long FakeTouches();
