# The newcomer's commands: `make run` and `make test`. Both install what is
# missing from Debian's packages first.
# fuzz: the fuzzers under clang's sanitizers; `make test` runs each for seconds.
PRESETS := native mingw-i686 mingw-x86_64 fuzz
WERROR ?= $(if $(CI),ON,OFF)
JOBS ?= $(shell nproc)

.PHONY: all deps build test run bench fuzz clean $(addprefix build-,$(PRESETS)) $(addprefix test-,$(PRESETS))

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

# Where 32-bit Wine runs emulated, the i686 end-to-end suites run their smoke
# tests; ZARVILO_FULL_I686_E2E=1 make test runs all of them (six minutes more).
test: build
	./tools/with-xvfb.sh ./tools/run-all-tests.sh $(PRESETS)

run: deps build-native build-mingw-i686 build-mingw-x86_64
	./tools/run-demo.sh

# Each fuzzer for three minutes; a finding stops the run and is left in
# build/fuzz/tests/fuzz/findings.
fuzz: deps build-fuzz
	for f in build/fuzz/tests/fuzz/*_fuzz; do ./tools/fuzz-one.sh $$f 180 || exit 1; done

bench: deps build-mingw-i686 build-mingw-x86_64
	./tools/bench.py

clean:
	rm -rf build dist
