#include "output/resultset.h"

#include <cstdlib>

#include "contract/naming.h"

const char *ResultSets::claim(const char *arg, const std::string &utfnamn) {
  const std::size_t slash = utfnamn.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string(".") : utfnamn.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? utfnamn : utfnamn.substr(slash + 1);
  if (const char *dot = findext(base.c_str())) base.resize(static_cast<std::size_t>(dot - base.c_str()));
  char *real = realpath(dir.c_str(), nullptr);
  if (real == nullptr) return nullptr;
  std::string key = real;
  std::free(real);
  key += '\0';
  key += base;
  const auto [at, added] = claimed_.try_emplace(std::move(key), arg);
  return added ? nullptr : at->second.c_str();
}
