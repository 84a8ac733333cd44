#pragma once

#include "editors/Page.h"

#include <memory>
#include <vector>

class PageHost;

// Every feature page of the main window, in the order they are created.
std::vector<std::unique_ptr<Page>> CreateFeaturePages(PageHost& host);
