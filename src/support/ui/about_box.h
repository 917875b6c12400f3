// The About box: the program's title, version and product number, the
// modules it is made of with their versions, and the notices of third-party
// rights the program must show. Texts are in the interface language at the
// time they are added.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>
#include <vector>

struct AboutModule {
    std::string name;
    std::string description; // empty for a module the library does not know
    std::string version;     // empty for a module the library does not know
};

struct AboutRights {
    std::string key;
    std::string title; // the component, with its version
    std::string html;  // the notice: rich text, links allowed
};

class VELMOR_ABOUT {
public:
    void Init(int productNumber, std::string_view title, std::string_view version);
    // Adds the modules named in `names` (separated by ';', blanks around a
    // name ignored). The support library "velmor" is listed with its
    // description and version; any other name stands alone.
    void AddModules(std::string_view names);
    // Adds the notice known under `key`: "qt" (Qt, LGPL v3) or "icu" (the
    // Unicode data the UTF-8 case table is made from). False, and nothing
    // added, for a key without a notice; a key already added is not repeated.
    bool AddThirdPartyRights(std::string_view key);
    // Shows the box modally over `owner` and returns when it is closed.
    void ShowDialog(QWidget* owner);

    int ProductNumber() const { return productNumber_; }
    const std::string& Title() const { return title_; }
    const std::string& Version() const { return version_; }
    const std::vector<AboutModule>& Modules() const { return modules_; }
    const std::vector<AboutRights>& Rights() const { return rights_; }

private:
    int productNumber_ = 0;
    std::string title_;
    std::string version_;
    std::vector<AboutModule> modules_;
    std::vector<AboutRights> rights_;
};

// The window VELMOR_ABOUT::ShowDialog shows; captioned with the title.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(QWidget* owner, const VELMOR_ABOUT& about);
};
