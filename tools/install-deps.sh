# Installs the Debian packages the build needs, and only those that are missing.
# Sourced by ./run and ./test; extra package names may be passed as arguments.

# What ./test needs besides the build: the package check's dependency scan (dpkg-shlibdeps,
# which looks at files with `file`), systemd-analyze for the units, and the MQTT broker, its
# clients and openssl for the telemetry tests (which make their certificates).
PTX_TEST_PACKAGES=(dpkg-dev file systemd mosquitto mosquitto-clients openssl)

ptx_install_deps() {
    local wanted=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev
                  pkg-config libqrencode-dev libmosquitto-dev fonts-dejavu-core "$@")
    local missing=()
    local pkg
    for pkg in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
