#include "editors/FeaturePages.h"

#include "editors/ButtonPage.h"
#include "editors/DpiPage.h"
#include "editors/LightingPage.h"
#include "editors/MacroPage.h"
#include "editors/PerformancePage.h"
#include "editors/TextPage.h"

std::vector<std::unique_ptr<Page>> CreateFeaturePages(PageHost& host)
{
    std::vector<std::unique_ptr<Page>> pages;
    pages.push_back(std::make_unique<ButtonPage>(host));
    pages.push_back(std::make_unique<DpiPage>(host));
    pages.push_back(std::make_unique<MacroPage>(host));
    pages.push_back(std::make_unique<TextPage>(host));
    pages.push_back(std::make_unique<LightingPage>(host));
    pages.push_back(std::make_unique<PerformancePage>(host));
    return pages;
}
