#pragma once

#include <cstdint>
#include <string>

namespace brisma {

class Application;

// Start-up, the two ways of starting, the user files, the server script and the end.
class modApp {
public:
    explicit modApp(Application& app);

    // True while the first-start registration sequence runs.
    bool blnFirstStart = false;
    // Number of selected-channel slots that loops walk.
    int16_t selectedChannelNum() const { return intSelectedChannelNum; }

    void ConfigureFolder();
    bool existFile(const std::string& path);
    // False when the script did not come (no connection, an error or login page in its place):
    // nothing was read and start-up waits for it.
    bool GetScriptXML();
    void ErrorEnd(long number, const std::string& text);

    void InitApp();
    void StartApp();
    void FirstStart();
    void LoadUserFiles();
    void SaveUserFiles();
    [[noreturn]] void EndApp();

private:
    Application& app_;
    int16_t intSelectedChannelNum = 0;
};

} // namespace brisma
