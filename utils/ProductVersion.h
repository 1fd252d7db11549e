#pragma once
// The one place the release number lives; every resource script takes its
// version block from here.
#define TOVRIN_VERSION_MAJOR 1
#define TOVRIN_VERSION_MINOR 0
#define TOVRIN_VERSION_PATCH 0
#define TOVRIN_VERSION_BUILD 0
#define TOVRIN_VERSION_TEXT "1.0.0.0"
#define TOVRIN_PRODUCT_NAME "Tovrin"
#define TOVRIN_COPYRIGHT "Copyright (C) 2026 Tovrin"
