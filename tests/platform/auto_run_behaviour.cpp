#include "auto_run_behaviour.h"

#include "settings/auto_run.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace corvantis::testing {

std::string RegistryBackendName(const ::testing::TestParamInfo<RegistryBackend>& info) {
    return info.param.name;
}

namespace {

const std::string kValueName = "CorvantisBehaviourTest";
const std::string kRunOnceKey = std::string(kRunKey) + "Once";

// An executable location and the command text it must register, per path style.
struct Location {
    std::string folder;
    std::string baseName;
    std::string expected;
};

Location Plain(PathStyle style) {
    return style == PathStyle::Windows
               ? Location{"C:\\Vesper", "Corvantis", "C:\\Vesper\\Corvantis.Exe"}
               : Location{"/opt/vesper", "corvantis", "/opt/vesper/corvantis"};
}

Location WithBlanks(PathStyle style) {
    return style == PathStyle::Windows
               ? Location{"C:\\Vesper Clocks", "Corvantis", "\"C:\\Vesper Clocks\\Corvantis.Exe\""}
               : Location{"/opt/Vesper Clocks", "corvantis", "\"/opt/Vesper Clocks/corvantis\""};
}

// The program's entry over the registry backend under test.
class Harness {
public:
    explicit Harness(const RegistryBackend& backend)
        : m_backend(backend),
          m_registry(backend.make(m_scratch.Path())),
          m_entry{*m_registry, m_fakes.info} {}
    ~Harness() {
        RegRemoveValue(*m_registry, kRunKey, kValueName);
        RegRemoveValue(*m_registry, kRunOnceKey, kValueName);
    }

    void Place(const Location& location) {
        m_entry.info.executableFolder = location.folder;
        m_entry.info.executableBaseName = location.baseName;
    }
    std::optional<std::string> Registered(const std::string& keyPath) {
        return m_backend.registered(*m_registry, keyPath, kValueName);
    }
    AutoRunEntry& entry() { return m_entry; }
    Registry& registry() { return *m_registry; }

private:
    const RegistryBackend& m_backend;
    TempDir m_scratch;
    FakePlatform m_fakes;
    std::unique_ptr<Registry> m_registry;
    AutoRunEntry m_entry;
};

}  // namespace

TEST_P(AutoRunBehaviour, WritesOverwritesAndRemovesTheEntry) {
    const PathStyle style = GetParam().style;
    Harness harness(GetParam());
    harness.Place(Plain(style));
    SetAutoRun(harness.entry(), 2, kValueName, "");
    EXPECT_EQ(harness.Registered(kRunKey), Plain(style).expected);
    EXPECT_EQ(harness.Registered(kRunOnceKey), std::nullopt);

    // Each registration replaces the one before; a folder with blanks is quoted.
    harness.Place(WithBlanks(style));
    SetAutoRun(harness.entry(), 2, kValueName, "");
    EXPECT_EQ(harness.Registered(kRunKey), WithBlanks(style).expected);

    SetAutoRun(harness.entry(), 0, kValueName, "");
    EXPECT_EQ(harness.Registered(kRunKey), std::nullopt);
}

TEST_P(AutoRunBehaviour, RemovingAnAbsentEntryChangesNothingAndRaisesNothing) {
    Harness harness(GetParam());
    EXPECT_FALSE(RegRemoveValue(harness.registry(), kRunKey, kValueName));
    EXPECT_NO_THROW(SetAutoRun(harness.entry(), 0, kValueName, ""));
    EXPECT_EQ(harness.Registered(kRunKey), std::nullopt);
}

TEST_P(AutoRunBehaviour, ModeOneRegistersForTheNextLogOnOnly) {
    const PathStyle style = GetParam().style;
    Harness harness(GetParam());
    harness.Place(Plain(style));
    SetAutoRun(harness.entry(), 1, kValueName, "");
    EXPECT_EQ(harness.Registered(kRunOnceKey), Plain(style).expected);
    EXPECT_EQ(harness.Registered(kRunKey), std::nullopt);
    // Removal (mode 0) works on the every-log-on entry only.
    SetAutoRun(harness.entry(), 0, kValueName, "");
    EXPECT_EQ(harness.Registered(kRunOnceKey), Plain(style).expected);
}

TEST_P(AutoRunBehaviour, AGivenCommandIsStoredAsGiven) {
    Harness harness(GetParam());
    SetAutoRun(harness.entry(), 2, "  " + kValueName, "   clockset --quiet");
    EXPECT_EQ(harness.Registered(kRunKey), "clockset --quiet");
    EXPECT_TRUE(RegWriteValue(harness.registry(), kRunKey, kValueName, std::string("other")));
    EXPECT_EQ(harness.Registered(kRunKey), "other");
}

}  // namespace corvantis::testing
