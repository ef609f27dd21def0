// Text as every implementation hands it to the program: UTF-8 whatever the
// ANSI code page, and failure descriptions in the same words.
#include "contract_fixture.h"

namespace pocketry::contract {
namespace {

TEST_F(ContractTest, AnIniFileInTheAnsiCodePageIsReadAsItsText) {
    // As the mail client writes its settings: code page 1252 bytes for "ü", "ö".
    const std::string ini = bed->MakeTempFolder() + "\\Juno.ini";
    bed->MakeAnsiIniFile(ini, "[Configuration]\r\nRoot Dir=C:\\Jünö Mail\r\n");
    std::string value;
    const std::int32_t count =
        Api().kernel.GetPrivateProfileStringA("Configuration", "Root Dir", "", value, 512, ini);
    EXPECT_EQ(value, "C:\\Jünö Mail");
    EXPECT_EQ(count, static_cast<std::int32_t>(value.size()));
}

TEST_F(ContractTest, TheProgramsOwnPathComesBackWhole) {
    EXPECT_EQ(Api().kernel.GetModuleFileNameA(), bed->ProgramPath())
        << "tests/e2e/contract.py runs the suite from C:\\テスト";
}

TEST_F(ContractTest, AFailureIsDescribedInTheSystemsWordsWithoutTheClosingStop) {
    const std::string missing = bed->MakeTempFolder() + "\\missing.exe";
    const platform::Status status = Api().kernel.StartProcess(missing, 1);
    EXPECT_EQ(status.number, 2u); // ERROR_FILE_NOT_FOUND
    // Wine's message table words it its own way; the simulation speaks as Windows does.
    EXPECT_EQ(status.description,
              bed->IsWine() ? "File not found" : "The system cannot find the file specified");
}

} // namespace
} // namespace pocketry::contract
