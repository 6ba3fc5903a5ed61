/* Prints what a screen reader is told of the launcher's window: through the
   accessibility API, the children of the window's client area in the order
   they are read, one line each: the role's number, the state bits in hex,
   the name and the default action, separated by tabs, in UTF-8. With
   "press NAME", then does the default action of the child named NAME, as a
   screen reader does when its user presses it.
   Waits up to 10 s for the window. Exits 1 when there is no window, no
   accessible object for it, or no child to press. */
#define COBJMACROS
#include <windows.h>
#include <oleacc.h>
#include <stdio.h>

static void print_utf8(const wchar_t* text) {
  char utf8[4096];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
  if (n > 1) fwrite(utf8, 1, (size_t)(n - 1), stdout);
}

/* A child as a screen reader reads it: the client area of the child's window.
   Returns whether it is the one named press and its default action was done. */
static int read_child(VARIANT* child, const wchar_t* press) {
  VARIANT self;
  VariantInit(&self);
  V_VT(&self) = VT_I4;
  V_I4(&self) = CHILDID_SELF;
  IAccessible* accessible = NULL;
  HWND window = NULL;
  if (V_VT(child) == VT_DISPATCH && V_DISPATCH(child)) {
    IAccessible* object = NULL;
    if (SUCCEEDED(IDispatch_QueryInterface(V_DISPATCH(child), &IID_IAccessible, (void**)&object))) {
      WindowFromAccessibleObject(object, &window);
      IAccessible_Release(object);
    }
  }
  if (!window || FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, &IID_IAccessible, (void**)&accessible))) {
    printf("-\t-\t-\t-\n");
    return 0;
  }
  VARIANT role, state;
  VariantInit(&role);
  VariantInit(&state);
  BSTR name = NULL, action = NULL;
  IAccessible_get_accRole(accessible, self, &role);
  IAccessible_get_accState(accessible, self, &state);
  IAccessible_get_accName(accessible, self, &name);
  IAccessible_get_accDefaultAction(accessible, self, &action);
  printf("%ld\t%lx\t", V_VT(&role) == VT_I4 ? V_I4(&role) : -1L, V_VT(&state) == VT_I4 ? V_I4(&state) : 0L);
  if (name) print_utf8(name);
  printf("\t");
  if (action) print_utf8(action);
  printf("\n");
  int pressed = press && name && wcscmp(name, press) == 0;
  if (pressed) pressed = SUCCEEDED(IAccessible_accDoDefaultAction(accessible, self));
  SysFreeString(name);
  SysFreeString(action);
  IAccessible_Release(accessible);
  return pressed;
}

int wmain(int argc, wchar_t** argv) {
  const wchar_t* press = argc == 3 && wcscmp(argv[1], L"press") == 0 ? argv[2] : NULL;
  HWND launcher = NULL;
  for (int i = 0; i < 100 && !(launcher = FindWindowW(L"KivoraWindow", L"Kivora")); ++i) Sleep(100);
  if (!launcher) return 1;
  CoInitialize(NULL);
  IAccessible* client = NULL;
  if (FAILED(AccessibleObjectFromWindow(launcher, OBJID_CLIENT, &IID_IAccessible, (void**)&client))) return 1;
  LONG count = 0, obtained = 0;
  IAccessible_get_accChildCount(client, &count);
  VARIANT children[16];
  if (count > 16) count = 16;
  if (FAILED(AccessibleChildren(client, 0, count, children, &obtained))) return 1;
  int pressed = 0;
  for (LONG i = 0; i < obtained; ++i) {
    pressed |= read_child(&children[i], press);
    VariantClear(&children[i]);
  }
  IAccessible_Release(client);
  fflush(stdout);
  return press && !pressed;
}
