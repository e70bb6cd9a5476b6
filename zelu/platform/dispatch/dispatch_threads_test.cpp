// The class registry, the one state that threads share, from several
// threads at once: while every thread makes objects of a class registered
// before they started, each registers, finds, makes and revokes classes of
// its own. Every lookup sees a whole registration or none.
#include <zelu/platform/dispatch/dispatch.h>

#include <gtest/gtest.h>

#include <zelu/platform/dispatch/dispatch_driver.h>
#include <zelu/testing/recording_dispatch.h>
#include <zelu/testing/threads.h>

namespace {

IDispatch* MakeRecorder() { return new zelu::testing::RecordingDispatch; }

CLSID ClassOf(int thread) { return {0x5A454C55, 0x0100, static_cast<WORD>(thread), {9, 8, 7, 6, 5, 4, 3, 2}}; }

// One thread's own class comes and goes; the shared one stays.
int Mismatches(int thread) {
  const WCHAR own_name[] = {'z', 'e', 'l', 'u', '.', 'T', static_cast<WCHAR>('0' + thread), 0};
  const WCHAR shared_name[] = {'z', 'e', 'l', 'u', '.', 'S', 'h', 'a', 'r', 'e', 'd', 0};
  const CLSID own = ClassOf(thread);
  int wrong = 0;
  for (int round = 0; round < 300; ++round) {
    COleDispatchDriver shared;
    wrong += shared.CreateDispatch(shared_name) ? 0 : 1;
    zelu::dispatch::RegisterClassObject(own_name, {own, MakeRecorder});
    CLSID found{};
    wrong += CLSIDFromProgID(own_name, &found) == S_OK && found == own ? 0 : 1;
    COleDispatchDriver by_class;
    wrong += by_class.CreateDispatch(own) ? 0 : 1;
    wrong += zelu::dispatch::RevokeClassObject(own_name).create == MakeRecorder ? 0 : 1;
    wrong += CLSIDFromProgID(own_name, &found) == CO_E_CLASSSTRING ? 0 : 1;
    COleException error;
    wrong += !by_class.CreateDispatch(own, &error) && error.m_sc == REGDB_E_CLASSNOTREG ? 0 : 1;
  }
  return wrong;
}

TEST(DispatchThreadsTest, RegistrationsComeAndGoWhileOtherThreadsMakeObjects) {
  const WCHAR shared_name[] = {'z', 'e', 'l', 'u', '.', 'S', 'h', 'a', 'r', 'e', 'd', 0};
  const zelu::testing::ScopedRegistration shared(shared_name, MakeRecorder, ClassOf(99));
  EXPECT_EQ(zelu::testing::RunOnThreads(zelu::testing::kTestThreads, Mismatches), 0);
}

}  // namespace
