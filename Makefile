# The newcomer's commands: `make run` and `make test`. Both install what is
# missing from Debian's packages first.
PRESETS := native mingw-i686 mingw-x86_64
WERROR ?= $(if $(CI),ON,OFF)

.PHONY: all deps build test run bench fuzz clean $(addprefix build-,$(PRESETS)) $(addprefix test-,$(PRESETS))

all: build

deps:
	@./tools/install-deps.sh

build: deps $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%:
	cmake --preset $* -DZARVILO_WERROR=$(WERROR) >/dev/null
	cmake --build --preset $*

test: build
	./tools/with-xvfb.sh ./tools/run-all-tests.sh $(PRESETS)

run: deps build-native build-mingw-i686
	./tools/run-demo.sh

clean:
	rm -rf build dist
