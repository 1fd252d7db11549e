#pragma once
// Defaults written the first time a server-supplied address is read. The
// provider's server replaces them at the first connection. The hosts are set
// when the package is built for a provider (see utils/CMakeLists.txt).
namespace utils {

#ifndef TOVRIN_PORTAL_HOST
#define TOVRIN_PORTAL_HOST "portal.tovrin.example"
#endif
#ifndef TOVRIN_CUSTOMER_HOST
#define TOVRIN_CUSTOMER_HOST "customer.tovrin.example"
#endif

constexpr char kDefaultHomePage[] = "http://" TOVRIN_PORTAL_HOST "/";
constexpr char kDefaultUpdatePage[] = "http://" TOVRIN_CUSTOMER_HOST "/customer/dialler_update.asp";
constexpr char kDefaultBannerUrl[] = "http://" TOVRIN_CUSTOMER_HOST "/customer/banner.html";

} // namespace utils
