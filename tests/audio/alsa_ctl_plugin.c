/*
 * A user-space ALSA control device for tests (libasound_module_ctl_tvtest.so):
 * the mixer controls of a small sound card, spelt as one of several kernel
 * drivers spell them, with their values kept in a state file so that separate
 * opens, in one process or several, see the same values. A change made
 * through one open reaches the others as a value-change event, as a kernel
 * card reports it.
 *
 * Configuration:
 *   ctl.NAME { type tvtest  state "/path/to/file"  [layout NAME]  [aux false] }
 * Layouts (the table below): "aux" (the default), "noaux" (also "aux false"),
 * "es1370", "dummy" and "signed".
 */
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
    const char *name;
    int type;
    unsigned int count;
    long min, max;
    long initial;
    int db; /* a dB scale of -45 dB + 0.3 dB per step (snd-dummy's) */
} element_t;

#define MAX_ELEMENTS 8
#define MAX_VALUES (MAX_ELEMENTS * 2)
#define BOOL_ELEM(n, c, i) {n, SND_CTL_ELEM_TYPE_BOOLEAN, c, 0, 1, i, 0}
#define INT_ELEM(n, c, lo, hi, i) {n, SND_CTL_ELEM_TYPE_INTEGER, c, lo, hi, i, 0}
#define DB_ELEM(n, c, lo, hi, i) {n, SND_CTL_ELEM_TYPE_INTEGER, c, lo, hi, i, 1}

typedef struct {
    const char *name;
    element_t elements[MAX_ELEMENTS];
} layout_t;

static const layout_t layouts[] = {
    {"aux",
     {INT_ELEM("Master Playback Volume", 2, 0, 87, 80), BOOL_ELEM("Master Playback Switch", 2, 1),
      INT_ELEM("PCM Playback Volume", 2, 0, 255, 200), INT_ELEM("Mic Playback Volume", 1, 0, 15, 5),
      INT_ELEM("Aux Playback Volume", 2, 0, 31, 10), BOOL_ELEM("Aux Playback Switch", 2, 1)}},
    {"noaux",
     {INT_ELEM("Master Playback Volume", 2, 0, 87, 80), BOOL_ELEM("Master Playback Switch", 2, 1),
      INT_ELEM("PCM Playback Volume", 2, 0, 255, 200), INT_ELEM("Mic Playback Volume", 1, 0, 15, 5)}},
    /* The ES1370's codec: "Aux Volume" with "Aux Playback Switch". */
    {"es1370",
     {INT_ELEM("Master Playback Volume", 2, 0, 31, 20), BOOL_ELEM("Master Playback Switch", 2, 1),
      INT_ELEM("Aux Volume", 2, 0, 31, 10), BOOL_ELEM("Aux Playback Switch", 2, 0),
      INT_ELEM("CD Volume", 2, 0, 31, 10), BOOL_ELEM("CD Playback Switch", 2, 1)}},
    /* snd-dummy: "X Volume" from -50 to 100 with a dB scale, capture switches only. */
    {"dummy",
     {DB_ELEM("Master Volume", 2, -50, 100, 0), BOOL_ELEM("Master Capture Switch", 2, 0),
      DB_ELEM("Line Volume", 2, -50, 100, 0), BOOL_ELEM("Line Capture Switch", 2, 0),
      DB_ELEM("CD Volume", 2, -50, 100, 0), BOOL_ELEM("CD Capture Switch", 2, 0)}},
    /* A signed range below and above 0, and a mono line. */
    {"signed",
     {INT_ELEM("Master Playback Volume", 1, 0, 100, 50), INT_ELEM("Aux Playback Volume", 2, -20, 10, -3),
      BOOL_ELEM("Aux Playback Switch", 2, 1)}},
};

typedef struct {
    snd_ctl_ext_t ext;
    char *state_file;
    const element_t *elements;
    unsigned int count;
    long seen[MAX_VALUES]; /* the values as this open last reported them */
} plugin_t;

static unsigned int value_count(const plugin_t *p) {
    unsigned int n = 0;
    for (unsigned int i = 0; i < p->count; i++) n += p->elements[i].count;
    return n;
}

static unsigned int first_slot(const plugin_t *p, unsigned int key) {
    unsigned int slot = 0;
    for (unsigned int i = 0; i < key; i++) slot += p->elements[i].count;
    return slot;
}

static void load_state(const plugin_t *p, long values[MAX_VALUES]) {
    unsigned int slot = 0;
    for (unsigned int i = 0; i < p->count; i++)
        for (unsigned int c = 0; c < p->elements[i].count; c++) values[slot++] = p->elements[i].initial;
    FILE *f = fopen(p->state_file, "rb");
    if (f == NULL) return;
    long stored[MAX_VALUES];
    if (fread(stored, sizeof(long), value_count(p), f) == value_count(p))
        memcpy(values, stored, sizeof(long) * value_count(p));
    fclose(f);
}

static int save_state(const plugin_t *p, const long values[MAX_VALUES]) {
    FILE *f = fopen(p->state_file, "wb");
    if (f == NULL) return -errno;
    int ok = fwrite(values, sizeof(long), value_count(p), f) == value_count(p);
    return fclose(f) == 0 && ok ? 0 : -EIO;
}

static int tvtest_elem_count(snd_ctl_ext_t *ext) { return (int)((plugin_t *)ext->private_data)->count; }

static int tvtest_elem_list(snd_ctl_ext_t *ext, unsigned int offset, snd_ctl_elem_id_t *id) {
    plugin_t *p = ext->private_data;
    if (offset >= p->count) return -EINVAL;
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, p->elements[offset].name);
    return 0;
}

static snd_ctl_ext_key_t tvtest_find_elem(snd_ctl_ext_t *ext, const snd_ctl_elem_id_t *id) {
    plugin_t *p = ext->private_data;
    unsigned int numid = snd_ctl_elem_id_get_numid(id);
    if (numid > 0 && numid <= p->count) return numid - 1;
    const char *name = snd_ctl_elem_id_get_name(id);
    for (unsigned int i = 0; i < p->count; i++)
        if (strcmp(name, p->elements[i].name) == 0) return i;
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int tvtest_get_attribute(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, int *type, unsigned int *acc,
                                unsigned int *count) {
    plugin_t *p = ext->private_data;
    if (key >= p->count) return -EINVAL;
    *type = p->elements[key].type;
    *acc = SND_CTL_EXT_ACCESS_READWRITE;
    if (p->elements[key].db) *acc |= SND_CTL_EXT_ACCESS_TLV_READ | SND_CTL_EXT_ACCESS_TLV_CALLBACK;
    *count = p->elements[key].count;
    return 0;
}

static int tvtest_get_integer_info(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *imin, long *imax,
                                   long *istep) {
    plugin_t *p = ext->private_data;
    if (key >= p->count) return -EINVAL;
    *imin = p->elements[key].min;
    *imax = p->elements[key].max;
    *istep = 1;
    return 0;
}

static int tvtest_read_integer(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *value) {
    plugin_t *p = ext->private_data;
    if (key >= p->count) return -EINVAL;
    long values[MAX_VALUES];
    load_state(p, values);
    unsigned int slot = first_slot(p, (unsigned int)key);
    for (unsigned int c = 0; c < p->elements[key].count; c++) value[c] = p->seen[slot + c] = values[slot + c];
    return 0;
}

static int tvtest_write_integer(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *value) {
    plugin_t *p = ext->private_data;
    if (key >= p->count) return -EINVAL;
    const element_t *e = &p->elements[key];
    long values[MAX_VALUES];
    load_state(p, values);
    unsigned int slot = first_slot(p, (unsigned int)key);
    int changed = 0;
    for (unsigned int c = 0; c < e->count; c++)
        if (value[c] < e->min || value[c] > e->max) return -EINVAL;
    for (unsigned int c = 0; c < e->count; c++) {
        changed |= values[slot + c] != value[c];
        values[slot + c] = p->seen[slot + c] = value[c];
    }
    int err = save_state(p, values);
    return err < 0 ? err : changed;
}

/* snd-dummy's dB scale: -45 dB at the minimum, 0.3 dB per step. */
static int tvtest_tlv(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, int op_flag, unsigned int numid, unsigned int *tlv,
                      unsigned int tlv_size) {
    plugin_t *p = ext->private_data;
    (void)numid;
    if (key >= p->count || !p->elements[key].db || op_flag != 0) return -ENXIO;
    const unsigned int scale[4] = {SND_CTL_TLVT_DB_SCALE, 2 * sizeof(unsigned int), (unsigned int)-4500, 30};
    if (tlv_size < sizeof scale) return -ENOMEM;
    memcpy(tlv, scale, sizeof scale);
    return 0;
}

/* The first element whose values in the state file differ from what this
 * open last reported, as a value-change event. */
static int tvtest_read_event(snd_ctl_ext_t *ext, snd_ctl_elem_id_t *id, unsigned int *event_mask) {
    plugin_t *p = ext->private_data;
    long values[MAX_VALUES];
    load_state(p, values);
    for (unsigned int i = 0, slot = 0; i < p->count; slot += p->elements[i].count, i++) {
        size_t size = sizeof(long) * p->elements[i].count;
        if (memcmp(&values[slot], &p->seen[slot], size) == 0) continue;
        memcpy(&p->seen[slot], &values[slot], size);
        snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
        snd_ctl_elem_id_set_numid(id, i + 1);
        snd_ctl_elem_id_set_name(id, p->elements[i].name);
        *event_mask = SND_CTL_EVENT_MASK_VALUE;
        return 1;
    }
    return -EAGAIN;
}

static void tvtest_close(snd_ctl_ext_t *ext) {
    plugin_t *p = ext->private_data;
    free(p->state_file);
    free(p);
}

static const snd_ctl_ext_callback_t tvtest_callbacks = {
    .close = tvtest_close,
    .elem_count = tvtest_elem_count,
    .elem_list = tvtest_elem_list,
    .find_elem = tvtest_find_elem,
    .get_attribute = tvtest_get_attribute,
    .get_integer_info = tvtest_get_integer_info,
    .read_integer = tvtest_read_integer,
    .write_integer = tvtest_write_integer,
    .read_event = tvtest_read_event,
};

SND_CTL_PLUGIN_DEFINE_FUNC(tvtest) {
    (void)root;
    const char *state_file = NULL;
    const char *layout_name = "aux";
    snd_config_iterator_t i, next;
    snd_config_for_each(i, next, conf) {
        snd_config_t *n = snd_config_iterator_entry(i);
        const char *id;
        if (snd_config_get_id(n, &id) < 0) continue;
        if (strcmp(id, "comment") == 0 || strcmp(id, "type") == 0 || strcmp(id, "hint") == 0) continue;
        if (strcmp(id, "state") == 0) {
            if (snd_config_get_string(n, &state_file) < 0) return -EINVAL;
            continue;
        }
        if (strcmp(id, "layout") == 0) {
            if (snd_config_get_string(n, &layout_name) < 0) return -EINVAL;
            continue;
        }
        if (strcmp(id, "aux") == 0) {
            int aux = snd_config_get_bool(n);
            if (aux < 0) return -EINVAL;
            if (!aux) layout_name = "noaux";
            continue;
        }
        SNDERR("Unknown field %s", id);
        return -EINVAL;
    }
    if (state_file == NULL) {
        SNDERR("tvtest needs a state file");
        return -EINVAL;
    }
    const layout_t *layout = NULL;
    for (size_t l = 0; l < sizeof layouts / sizeof layouts[0]; l++)
        if (strcmp(layouts[l].name, layout_name) == 0) layout = &layouts[l];
    if (layout == NULL) {
        SNDERR("Unknown layout %s", layout_name);
        return -EINVAL;
    }
    plugin_t *p = calloc(1, sizeof *p);
    if (p == NULL) return -ENOMEM;
    p->state_file = strdup(state_file);
    if (p->state_file == NULL) {
        free(p);
        return -ENOMEM;
    }
    p->elements = layout->elements;
    while (p->count < MAX_ELEMENTS && p->elements[p->count].name != NULL) p->count++;
    load_state(p, p->seen);
    p->ext.version = SND_CTL_EXT_VERSION;
    p->ext.card_idx = 0;
    strncpy(p->ext.id, "tvtest", sizeof p->ext.id - 1);
    strncpy(p->ext.driver, "tvtest", sizeof p->ext.driver - 1);
    strncpy(p->ext.name, "Test Card", sizeof p->ext.name - 1);
    strncpy(p->ext.longname, "Test Card with a state file", sizeof p->ext.longname - 1);
    strncpy(p->ext.mixername, "Test Mixer", sizeof p->ext.mixername - 1);
    p->ext.poll_fd = -1;
    p->ext.callback = &tvtest_callbacks;
    p->ext.private_data = p;
    p->ext.tlv.c = tvtest_tlv;
    int err = snd_ctl_ext_create(&p->ext, name, mode);
    if (err < 0) {
        free(p->state_file);
        free(p);
        return err;
    }
    *handlep = p->ext.handle;
    return 0;
}

SND_CTL_PLUGIN_SYMBOL(tvtest);
