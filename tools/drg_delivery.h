// Generator of consistent DRG deliveries: ORG, OSN, DRG, EKO and KOR files of any size that
// pass the line checks and the cross-checks, with a chosen number of seeded findings of
// chosen kinds. Used by the drg_generate tool, the tests, the demo and the benchmarks.
#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <string>

namespace quervik::tools {

struct DeliveryOptions {
  std::string directory = ".";
  std::string name = "DAVKA";  // files NAME.ORG, NAME.OSN, NAME.DRG, NAME.EKO, NAME.KOR
  int year = 2023;             // the period of the delivery
  int month = 6;
  int facilities = 1;          // facilities (ICZ), each with its own structure, chart and batch
  int costCentres = 40;        // cost centres over all facilities; about as many workplaces
  int documents = 100;         // DRG documents over all facilities, each with 1 to 3 service lines
  int accounts = 30;           // accounts over all facilities
  int turnover = 60;           // EKO lines
  int modifications = 10;      // KOR lines
  uint64_t seed = 1;
  std::map<std::string, int> findings;  // kind name -> how many to seed
};

// A kind of seeded finding: its name, the file it goes into, what it does, the code the
// checker reports for it and how many reports each seeded one gives.
struct FindingKind {
  const char* name;
  const char* file;
  const char* description;
  int code;
  int reportsEach;
  bool crossCheck;  // found by the cross-checks (which run only when the line checks find nothing)
};

std::span<const FindingKind> findingKinds();

struct DeliveryFiles {
  std::string org, osn, drg, eko, kor;
};

// Writes the delivery. False with a reason when an option is out of range or a file cannot
// be written.
bool writeDelivery(const DeliveryOptions& options, DeliveryFiles& files, std::string& error);

}  // namespace quervik::tools
