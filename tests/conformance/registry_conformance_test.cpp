// The registry as the settings use it: created-or-opened dispositions, key names with leading
// blanks, access rights of a handle, and reading values of any type and size into 4 bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

// Every test works below a key of its own, so the tests leave each other alone.
std::string TestKey() {
  return std::string("Software\\SarvelloConformance\\") +
         ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

LONG Create(HKEY parent, const std::string& name, HKEY* key, DWORD* disposition, REGSAM access = KEY_ALL_ACCESS) {
  char noClass[] = "";
  return RegCreateKeyExA(parent, name.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE, access, nullptr, key, disposition);
}

LONG SetBytes(HKEY key, const char* name, DWORD type, const void* bytes, DWORD size) {
  return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(bytes), size);
}

TEST(RegistryConformance, CreateReportsNewThenExistingKeys) {
  HKEY key = nullptr;
  DWORD disposition = 0xDEADBEEF;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, TestKey() + "\\Product", &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY)) << "the missing parents are made too";
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  struct Row {
    const char* name;
    DWORD disposition;
  } rows[] = {
      {"Product", REG_OPENED_EXISTING_KEY},
      {"PRODUCT", REG_OPENED_EXISTING_KEY},  // names are compared case-insensitively
      {" Product", REG_CREATED_NEW_KEY},     // a leading blank makes another key
      {" Product", REG_OPENED_EXISTING_KEY},
      {"   1CF-   5-0000- 5 A-000000000000", REG_CREATED_NEW_KEY},
      {"   1CF-   5-0000- 5 A-000000000000", REG_OPENED_EXISTING_KEY},
  };
  for (const Row& row : rows) {
    disposition = 0xDEADBEEF;
    ASSERT_EQ(Create(HKEY_CURRENT_USER, TestKey() + "\\" + row.name, &key, &disposition), ERROR_SUCCESS) << row.name;
    EXPECT_EQ(disposition, row.disposition) << "'" << row.name << "'";
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS) << row.name;
  }
}

TEST(RegistryConformance, SubKeysAreCreatedRelativeToAnOpenKey) {
  HKEY product = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, TestKey(), &product, &disposition), ERROR_SUCCESS);
  HKEY device = nullptr;
  ASSERT_EQ(Create(product, "00000000-0000-0000-0000-000000000000", &device, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  const DWORD width = 800;
  EXPECT_EQ(SetBytes(device, "Width", REG_DWORD, &width, 4), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(device), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(product), ERROR_SUCCESS);

  HKEY reopened = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (TestKey() + "\\00000000-0000-0000-0000-000000000000").c_str(), 0,
                          KEY_QUERY_VALUE, &reopened),
            ERROR_SUCCESS);
  DWORD read = 0;
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExA(reopened, "WIDTH", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size), ERROR_SUCCESS)
      << "value names are compared case-insensitively";
  EXPECT_EQ(read, 800u);
  EXPECT_EQ(RegCloseKey(reopened), ERROR_SUCCESS);
}

TEST(RegistryConformance, OpeningAMissingKeyFindsNothing) {
  HKEY key = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x5A5A));
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (TestKey() + "\\Missing").c_str(), 0, KEY_ALL_ACCESS, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, (TestKey() + "\\Missing").c_str(), &key), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryConformance, RegOpenKeyOpensForReadingAndWriting) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, TestKey(), &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, TestKey().c_str(), &key), ERROR_SUCCESS);
  const DWORD one = 1;
  EXPECT_EQ(SetBytes(key, "ScreenSaveUsePassword", REG_DWORD, &one, 4), ERROR_SUCCESS);
  DWORD read = 0;
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(read, 1u);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST(RegistryConformance, AHandleAllowsWhatItWasOpenedFor) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, TestKey() + "\\Child", &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  HKEY setOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TestKey().c_str(), 0, KEY_SET_VALUE, &setOnly), ERROR_SUCCESS);
  const DWORD value = 300;
  EXPECT_EQ(SetBytes(setOnly, "Density", REG_DWORD, &value, 4), ERROR_SUCCESS);
  DWORD read = 0;
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExA(setOnly, "Density", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size),
            ERROR_ACCESS_DENIED);
  // Creating below a handle asks nothing of the handle's own rights.
  for (const char* name : {"Child", "New child"}) {
    HKEY child = nullptr;
    EXPECT_EQ(Create(setOnly, name, &child, &disposition), ERROR_SUCCESS) << name;
    if (child != nullptr) RegCloseKey(child);
  }
  EXPECT_EQ(RegCloseKey(setOnly), ERROR_SUCCESS);

  HKEY queryOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TestKey().c_str(), 0, KEY_QUERY_VALUE, &queryOnly), ERROR_SUCCESS);
  EXPECT_EQ(SetBytes(queryOnly, "Density", REG_DWORD, &value, 4), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegQueryValueExA(queryOnly, "Density", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(read, 300u);
  EXPECT_EQ(RegCloseKey(queryOnly), ERROR_SUCCESS);
}

TEST(RegistryConformance, AClosedHandleIsInvalid) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, TestKey(), &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  const DWORD value = 1;
  EXPECT_EQ(SetBytes(key, "Speed", REG_DWORD, &value, 4), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

// What a 4-byte read gives for each kind of stored value: the settings take the first 4 bytes of
// whatever is there, and must not take a value that does not fit for one that does.
TEST(RegistryConformance, FourByteReadsOfAnyStoredValue) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, TestKey(), &key, &disposition), ERROR_SUCCESS);
  const unsigned char eight[8] = {0x20, 0x03, 0, 0, 0x58, 0x02, 0, 0};
  struct Row {
    const char* name;
    DWORD type;
    const void* bytes;
    DWORD size;
    LONG result;
    DWORD sizeAfter;
    DWORD number;  // when the read succeeds
  } rows[] = {
      {"dword", REG_DWORD, "\x20\x03\x00\x00", 4, ERROR_SUCCESS, 4, 800},
      {"binary of 4", REG_BINARY, "\x58\x02\x00\x00", 4, ERROR_SUCCESS, 4, 600},
      {"text of 3 and NUL", REG_SZ, "800", 4, ERROR_SUCCESS, 4, 0x00303038},
      {"binary of 8", REG_BINARY, eight, 8, ERROR_MORE_DATA, 8, 0},
      {"text of 8", REG_SZ, "1234567", 8, ERROR_MORE_DATA, 8, 0},
      {"binary of 2", REG_BINARY, "\x2c\x01", 2, ERROR_SUCCESS, 2, 0},
      {"empty binary", REG_BINARY, "", 0, ERROR_SUCCESS, 0, 0},
  };
  for (const Row& row : rows) {
    ASSERT_EQ(SetBytes(key, row.name, row.type, row.bytes, row.size), ERROR_SUCCESS) << row.name;
    unsigned char buffer[4] = {0xCC, 0xCC, 0xCC, 0xCC};
    DWORD size = 4;
    DWORD type = 0xDEADBEEF;
    EXPECT_EQ(RegQueryValueExA(key, row.name, nullptr, &type, buffer, &size), row.result) << row.name;
    EXPECT_EQ(size, row.sizeAfter) << row.name;
    EXPECT_EQ(type, row.type) << row.name;
    if (row.result == ERROR_SUCCESS && row.size == 4) {
      DWORD number;
      std::memcpy(&number, buffer, 4);
      EXPECT_EQ(number, row.number) << row.name;
    }
    if (row.result == ERROR_SUCCESS && row.size < 4) {
      EXPECT_EQ(std::memcmp(buffer, row.bytes, row.size), 0) << row.name;
      EXPECT_EQ(buffer[3], 0xCC) << row.name << ": bytes beyond the value stay untouched";
    }
    // Asking without a buffer tells the size.
    DWORD needed = 0;
    EXPECT_EQ(RegQueryValueExA(key, row.name, nullptr, nullptr, nullptr, &needed), ERROR_SUCCESS) << row.name;
    EXPECT_EQ(needed, row.size) << row.name;
  }
  DWORD size = 4;
  DWORD number = 0;
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST(RegistryConformance, SettingAValueAgainReplacesIt) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, TestKey(), &key, &disposition), ERROR_SUCCESS);
  const DWORD first = 30;
  const unsigned char other[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(SetBytes(key, "Speed", REG_BINARY, other, sizeof other), ERROR_SUCCESS);
  EXPECT_EQ(SetBytes(key, "SPEED", REG_DWORD, &first, 4), ERROR_SUCCESS);
  DWORD type = 0;
  DWORD number = 0;
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "Speed", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(number, 30u);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

}  // namespace
