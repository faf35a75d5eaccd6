#include "HostKeyOrder.h"

#include <set>
#include <sstream>
#include <vector>

namespace tarnholm::backend {

std::string HostKeyAlgorithms(const std::string& preferredKeyTypes) {
  // libssh's own default list, without certificate algorithms.
  static const char* const kUsual[] = {
      "ssh-ed25519",         "ecdsa-sha2-nistp521", "ecdsa-sha2-nistp384",
      "ecdsa-sha2-nistp256", "sk-ssh-ed25519@openssh.com", "sk-ecdsa-sha2-nistp256@openssh.com",
      "rsa-sha2-512",        "rsa-sha2-256"};
  std::set<std::string> types;
  std::istringstream words(preferredKeyTypes);
  for (std::string word; words >> word;) types.insert(word);

  std::vector<std::string> preferred, rest;
  for (const std::string algorithm : kUsual) {
    const bool rsa = algorithm.rfind("rsa-sha2-", 0) == 0;
    (types.count(rsa ? "ssh-rsa" : algorithm) != 0 ? preferred : rest).push_back(algorithm);
  }
  // An RSA key the caller trusts may sit on a server that signs only with SHA-1.
  if (types.count("ssh-rsa") != 0) preferred.push_back("ssh-rsa");
  if (preferred.empty()) return {};
  std::string list;
  for (const auto* part : {&preferred, &rest}) {
    for (const std::string& algorithm : *part) list += (list.empty() ? "" : ",") + algorithm;
  }
  return list;
}

}  // namespace tarnholm::backend
