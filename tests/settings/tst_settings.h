#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

// The settings tests are several Qt Test classes in one executable; each
// source file registers its class and main runs them all.
namespace SettingsTests {

using Factory = std::function<std::unique_ptr<QObject>()>;

std::vector<Factory> &Registry();

struct Registrar {
    explicit Registrar(Factory make) { Registry().push_back(std::move(make)); }
};

} // namespace SettingsTests

#define BRINDLE_SETTINGS_TEST(Class)                                                                                   \
    static const SettingsTests::Registrar registrar##Class([] { return std::unique_ptr<QObject>(new Class); });
