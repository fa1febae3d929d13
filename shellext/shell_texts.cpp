// The two languages of the handler's texts, side by side.
#include "shell_texts.h"

#include <iterator>

namespace {

constexpr LocalText kMenuCaptions[] = {
    {L"Tolvane Encrypt", L"Tolvane 加密"},
    {L"Tolvane Decrypt", L"Tolvane 解密"},
    {L"About Tolvane", L"关于 Tolvane"},
};

constexpr LocalText kBusyMessage = {L"Another Tolvane operation is in progress.", L"另一个 Tolvane 操作正在进行中。"};

constexpr LocalText kWrongPassword = {L"Wrong file format or incorrect password!", L"文件格式不正确或密码错误!"};

} // namespace

const wchar_t* MenuCaption(unsigned commandOffset) {
    return commandOffset < std::size(kMenuCaptions) ? kMenuCaptions[commandOffset].Get() : L"";
}

const wchar_t* BusyMessageText() {
    return kBusyMessage.Get();
}

const wchar_t* WrongPasswordText() {
    return kWrongPassword.Get();
}

std::wstring FailedFilesText(unsigned failedCount) {
    const std::wstring count = std::to_wstring(failedCount);
    if (g_bChineseUI) {
        return L"有 " + count + L" 个文件无法转换。";
    }
    return count + (failedCount == 1 ? L" file could not be converted." : L" files could not be converted.");
}

std::wstring CancelledBatchText(unsigned convertedCount, unsigned totalCount) {
    const std::wstring converted = std::to_wstring(convertedCount);
    const std::wstring total = std::to_wstring(totalCount);
    if (g_bChineseUI) {
        return L"操作已取消：" + total + L" 个文件中已转换 " + converted + L" 个，其余文件保持原样。";
    }
    return L"Cancelled: " + converted + L" of " + total + (totalCount == 1 ? L" file" : L" files") +
           L" converted; the rest were left as they were.";
}

std::wstring SystemFolderText(const std::wstring& folder) {
    if (g_bChineseUI) {
        return L"Tolvane 不加密“" + folder + L"”：Windows 及其程序需要此文件夹。所选项目均未加密。";
    }
    return L"Tolvane does not encrypt \u201C" + folder +
           L"\u201D: Windows and its programs need this folder. Nothing of the selection was encrypted.";
}
