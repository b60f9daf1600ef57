# Sourced by scripts that run Windows programs under Wine at a display's dpi.
# Wine reads the dpi from the prefix's registry as each program starts; the
# prefix is shared with the other tests of the build, so whoever sets it puts
# back what was there, also when it fails (tests that set it hold the display
# lock, as every test with windows does):
#   set_wine_dpi DPI     programs started from now on see a display of DPI
#   restore_wine_dpi     the prefix's own setting again
wine_dpi_key='HKCU\Control Panel\Desktop'
wine_dpi_found="" # the prefix's own value, "none" when it had none, empty when untouched

set_wine_dpi() {
  if [[ -z $wine_dpi_found ]]; then
    wine_dpi_found=$(wine reg query "$wine_dpi_key" /v LogPixels 2>/dev/null | awk '$1 == "LogPixels" { sub(/\r$/, "", $3); print $3 }') ||
      true
    wine_dpi_found=${wine_dpi_found:-none}
  fi
  wine reg add "$wine_dpi_key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
}

restore_wine_dpi() {
  case $wine_dpi_found in
  "") ;;
  none) wine reg delete "$wine_dpi_key" /v LogPixels /f >/dev/null 2>&1 || true ;;
  *) wine reg add "$wine_dpi_key" /v LogPixels /t REG_DWORD /d $((wine_dpi_found)) /f >/dev/null ;;
  esac
  wine_dpi_found=""
}
