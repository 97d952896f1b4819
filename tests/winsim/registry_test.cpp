// winsim's registry controls: seeded values of any type, the call record and the written-values
// summary, scripted faults by key and value name, open handles counted, and poison on a short read.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "winsim/control.h"

namespace {

using winsim::RegistryCall;

HKEY CreateKey(HKEY parent, const char* name) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  char noClass[] = "";
  EXPECT_EQ(
      RegCreateKeyExA(parent, name, 0, noClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
      ERROR_SUCCESS)
      << name;
  return key;
}

LONG SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}

TEST(WinsimRegistryTest, SeededValuesAreReadAsStored) {
  winsim::Reset();
  winsim::SetRegistryValue("Software\\A\\B", "odd", REG_SZ, {'6', '4', '0', 0, 'x'});
  winsim::SetRegistryDword("software\\a\\b", "Width", 640);
  EXPECT_TRUE(winsim::RegistryKeyExists("SOFTWARE\\A"));
  EXPECT_EQ(winsim::RegistrySubKeys("Software"), std::vector<std::string>{"A"});
  EXPECT_EQ(winsim::RegistryValueNames("Software\\A\\B"), (std::vector<std::string>{"odd", "Width"}));
  EXPECT_EQ(winsim::RegistryDword("Software\\A\\B", "width"), 640u);
  EXPECT_EQ(winsim::RegistryDword("Software\\A\\B", "odd", 7), 7u) << "not a 4-byte REG_DWORD";
  winsim::RegistryData data;
  ASSERT_TRUE(winsim::GetRegistryValue("Software\\A\\B", "ODD", &data));
  EXPECT_EQ(data.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(data.bytes.size(), 5u);

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\A\\B", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  unsigned char buffer[8] = {};
  DWORD size = 3;
  EXPECT_EQ(RegQueryValueExA(key, "odd", nullptr, nullptr, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(buffer[0], 0xAA) << "a short buffer is poisoned, as its contents are undefined";
  EXPECT_EQ(buffer[2], 0xAA);
  EXPECT_EQ(buffer[3], 0) << "nothing beyond the size given";
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  winsim::Reset();
  EXPECT_FALSE(winsim::RegistryKeyExists("Software"));
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE) << "Reset closes every handle";
}

TEST(WinsimRegistryTest, CallsAreRecordedAndOpenHandlesCounted) {
  winsim::Reset();
  HKEY product = CreateKey(HKEY_CURRENT_USER, "Software\\Brenmoor\\Sarvello");
  HKEY device = CreateKey(product, "Dev");
  EXPECT_EQ(winsim::OpenRegistryKeys(), 2);
  EXPECT_EQ(SetDword(device, "Width", 800), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(device, "Blob", 0, REG_BINARY, reinterpret_cast<const BYTE*>("abcdef"), 6), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(product, "Speed", 30), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(device), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(product), ERROR_SUCCESS);
  EXPECT_EQ(winsim::OpenRegistryKeys(), 0);
  EXPECT_EQ(winsim::RegistryWrites(),
            (std::vector<std::string>{"Software\\Brenmoor\\Sarvello\\Dev\\Width=800",
                                      "Software\\Brenmoor\\Sarvello\\Dev\\Blob=<type 3, 6 bytes>",
                                      "Software\\Brenmoor\\Sarvello\\Speed=30"}));
  const auto& calls = winsim::RegistryCalls();
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[0].call, RegistryCall::kCreateKey);
  EXPECT_EQ(calls[0].keyPath, "Software\\Brenmoor\\Sarvello");
  EXPECT_EQ(calls[1].keyPath, "Software\\Brenmoor\\Sarvello\\Dev") << "relative to the handle's key";
  EXPECT_EQ(calls[6].call, RegistryCall::kCloseKey);
}

TEST(WinsimRegistryTest, FaultsStrikeTheNamedKeyOrValueOnly) {
  struct Row {
    const char* name;
    RegistryCall call;
    const char* keyPath;
    const char* value;
    int skip;
    // Which operation fails: create the product key, create the device key, set Width, set
    // Height, close the device key.
    bool fails[5];
  } rows[] = {
      {"create any key", RegistryCall::kCreateKey, "*", "", 0, {true, false, false, false, false}},
      {"create the device key", RegistryCall::kCreateKey, "P\\dev", "", 0, {false, true, false, false, false}},
      {"open is not create", RegistryCall::kOpenKey, "*", "", 0, {false, false, false, false, false}},
      {"set Height by name", RegistryCall::kSetValue, "p\\DEV", "height", 0, {false, false, false, true, false}},
      {"set any value after one", RegistryCall::kSetValue, "*", "*", 1, {false, false, false, true, false}},
      {"set on another key", RegistryCall::kSetValue, "P", "*", 0, {false, false, false, false, false}},
      {"close", RegistryCall::kCloseKey, "P\\Dev", "", 0, {false, false, false, false, true}},
  };
  for (const Row& row : rows) {
    winsim::Reset();
    winsim::FailRegistry(row.call, row.keyPath, row.value, ERROR_CANTWRITE, 1, row.skip);
    HKEY product = nullptr;
    HKEY device = nullptr;
    DWORD disposition = 0;
    char noClass[] = "";
    const LONG skipped = ERROR_SUCCESS;  // an operation that cannot run counts as not failed
    const LONG results[5] = {
        RegCreateKeyExA(HKEY_CURRENT_USER, "P", 0, noClass, 0, KEY_ALL_ACCESS, nullptr, &product, &disposition),
        product ? RegCreateKeyExA(product, "Dev", 0, noClass, 0, KEY_ALL_ACCESS, nullptr, &device, &disposition)
                : skipped,
        device ? SetDword(device, "Width", 1) : skipped,
        device ? SetDword(device, "Height", 2) : skipped,
        device ? RegCloseKey(device) : skipped,
    };
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(results[i], row.fails[i] ? ERROR_CANTWRITE : ERROR_SUCCESS) << row.name << ", operation " << i;
    }
    if (row.fails[0]) {
      EXPECT_FALSE(winsim::RegistryKeyExists("P")) << row.name << ": a failed call does nothing";
    }
    if (row.fails[3]) {
      EXPECT_EQ(winsim::RegistryDword("P\\Dev", "Height"), 0xDEADBEEFu) << row.name;
    }
    if (row.fails[4]) {
      EXPECT_EQ(winsim::OpenRegistryKeys(), 2) << row.name << ": a failed close keeps the handle";
    }
  }
}

TEST(WinsimRegistryTest, FaultsCountAndThenStop) {
  winsim::Reset();
  winsim::FailRegistry(RegistryCall::kQueryValue, "*", "Speed", ERROR_CANTREAD, 2);
  winsim::SetRegistryDword("P", "Speed", 5);
  HKEY key = CreateKey(HKEY_CURRENT_USER, "P");
  DWORD value = 0;
  DWORD size = 4;
  const LONG expected[] = {ERROR_CANTREAD, ERROR_CANTREAD, ERROR_SUCCESS};
  for (LONG result : expected) {
    EXPECT_EQ(RegQueryValueExA(key, "Speed", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), result);
  }
  EXPECT_EQ(value, 5u);
  RegCloseKey(key);
}

TEST(WinsimRegistryDeathTest, UnmodelledArgumentsStopLoudly) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  char someClass[] = "Class";
  EXPECT_DEATH(RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)), "x", 0, KEY_READ, &key),
               "RegOpenKeyExA: not modelled: a predefined key other than HKEY_CURRENT_USER");
  EXPECT_DEATH(RegCreateKeyExA(HKEY_CURRENT_USER, "x", 0, someClass, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
               "RegCreateKeyExA: not modelled: a key class");
  EXPECT_DEATH(RegCreateKeyExA(HKEY_CURRENT_USER, "a\\\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
               "empty part");
}

}  // namespace
