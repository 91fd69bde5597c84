# The newcomer's commands: `make run` and `make test`. Both install what is
# missing from Debian's packages first.
# fuzz: the fuzzers under clang's sanitizers; `make test` runs each for seconds.
PRESETS := native mingw-i686 mingw-x86_64 fuzz
WINDOWS_PRESETS := mingw-i686 mingw-x86_64
WERROR ?= $(if $(CI),ON,OFF)
JOBS ?= $(shell nproc)
VERSION := $(shell sed -n 's/.*"ProductVersion", "\([^"]*\)".*/\1/p' res/version.rc)
# What the archive ships: the program and the probe for each architecture.
SHIPPED := $(foreach arch,i686 x86_64,dist/zarvilo-$(arch).exe dist/zarvilo-probe-$(arch).exe)
PACK := ./tools/make-dist.py dist $(VERSION) docs/README-windows.txt $(SHIPPED)

.PHONY: all deps build test run dist bench fuzz clean $(addprefix build-,$(PRESETS)) \
	$(addprefix shipped-,$(WINDOWS_PRESETS))

all: build

deps:
	@./tools/install-deps.sh

# The presets build side by side, sharing JOBS compile jobs through make's
# job server (cmake's own makefiles join it).
build: deps
	$(MAKE) -j$(JOBS) $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%:
	cmake --preset $* -DZARVILO_WERROR=$(WERROR) >/dev/null
	+cmake --build build/$*

# dist/zarvilo-VERSION.zip: the two programs, the two probes, README.txt and
# SHA256SUMS. The same commit always packs to the same bytes.
dist: deps
	$(MAKE) -j$(JOBS) $(addprefix shipped-,$(WINDOWS_PRESETS))
	$(PACK)

$(addprefix shipped-,$(WINDOWS_PRESETS)): shipped-%:
	cmake --preset $* -DZARVILO_WERROR=$(WERROR) >/dev/null
	+cmake --build build/$* --target zarvilo zarvilo-probe

# Where 32-bit Wine runs emulated, the i686 end-to-end suites run their smoke
# tests; ZARVILO_FULL_I686_E2E=1 make test runs all of them.
test: build
	$(PACK) >/dev/null
	./tools/with-xvfb.sh ./tools/run-all-tests.sh $(PRESETS)

# Builds only the program it runs.
run: deps
	./tools/run-demo.sh

# Each fuzzer for three minutes; a finding stops the run and is left in
# build/fuzz/tests/fuzz/findings.
fuzz: deps build-fuzz
	for f in build/fuzz/tests/fuzz/*_fuzz; do ./tools/fuzz-one.sh $$f 180 || exit 1; done

bench: deps build-mingw-i686 build-mingw-x86_64
	./tools/bench.py

clean:
	rm -rf build dist
