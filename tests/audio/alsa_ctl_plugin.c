/*
 * A user-space ALSA control device for tests (libasound_module_ctl_tvtest.so):
 * the mixer elements of a small sound card, with their values kept in a state
 * file so that separate opens, in one process or several, see the same values.
 *
 * Configuration:
 *   ctl.NAME { type tvtest  state "/path/to/file"  [aux false] }
 * Elements: Master Playback Volume (2 ch, 0..87) and Switch, PCM Playback
 * Volume (2 ch, 0..255), Mic Playback Volume (1 ch, 0..15), and, unless
 * "aux false", Aux Playback Volume (2 ch, 0..31) and Aux Playback Switch
 * (2 ch). A missing state file means every element holds its default.
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
    unsigned int slot; /* first value's place in the state */
    long initial;
} element_t;

static const element_t all_elements[] = {
    {"Master Playback Volume", SND_CTL_ELEM_TYPE_INTEGER, 2, 0, 87, 0, 80},
    {"Master Playback Switch", SND_CTL_ELEM_TYPE_BOOLEAN, 2, 0, 1, 2, 1},
    {"PCM Playback Volume", SND_CTL_ELEM_TYPE_INTEGER, 2, 0, 255, 4, 200},
    {"Mic Playback Volume", SND_CTL_ELEM_TYPE_INTEGER, 1, 0, 15, 6, 5},
    {"Aux Playback Volume", SND_CTL_ELEM_TYPE_INTEGER, 2, 0, 31, 7, 10},
    {"Aux Playback Switch", SND_CTL_ELEM_TYPE_BOOLEAN, 2, 0, 1, 9, 1},
};
#define ELEMENT_COUNT (sizeof all_elements / sizeof all_elements[0])
#define STATE_VALUES 11

typedef struct {
    snd_ctl_ext_t ext;
    char *state_file;
    unsigned int count;
    const element_t *elements[ELEMENT_COUNT];
} plugin_t;

static void load_state(const plugin_t *p, long values[STATE_VALUES]) {
    for (size_t i = 0; i < ELEMENT_COUNT; i++)
        for (unsigned int c = 0; c < all_elements[i].count; c++)
            values[all_elements[i].slot + c] = all_elements[i].initial;
    FILE *f = fopen(p->state_file, "rb");
    if (f == NULL) return;
    long stored[STATE_VALUES];
    if (fread(stored, sizeof stored, 1, f) == 1) memcpy(values, stored, sizeof stored);
    fclose(f);
}

static int save_state(const plugin_t *p, const long values[STATE_VALUES]) {
    FILE *f = fopen(p->state_file, "wb");
    if (f == NULL) return -errno;
    int ok = fwrite(values, sizeof(long), STATE_VALUES, f) == STATE_VALUES;
    return fclose(f) == 0 && ok ? 0 : -EIO;
}

static int tvtest_elem_count(snd_ctl_ext_t *ext) { return (int)((plugin_t *)ext->private_data)->count; }

static int tvtest_elem_list(snd_ctl_ext_t *ext, unsigned int offset, snd_ctl_elem_id_t *id) {
    plugin_t *p = ext->private_data;
    if (offset >= p->count) return -EINVAL;
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, p->elements[offset]->name);
    return 0;
}

static snd_ctl_ext_key_t tvtest_find_elem(snd_ctl_ext_t *ext, const snd_ctl_elem_id_t *id) {
    plugin_t *p = ext->private_data;
    unsigned int numid = snd_ctl_elem_id_get_numid(id);
    if (numid > 0 && numid <= p->count) return numid - 1;
    const char *name = snd_ctl_elem_id_get_name(id);
    for (unsigned int i = 0; i < p->count; i++)
        if (strcmp(name, p->elements[i]->name) == 0) return i;
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int tvtest_get_attribute(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, int *type, unsigned int *acc,
                                unsigned int *count) {
    plugin_t *p = ext->private_data;
    if (key >= p->count) return -EINVAL;
    *type = p->elements[key]->type;
    *acc = SND_CTL_EXT_ACCESS_READWRITE;
    *count = p->elements[key]->count;
    return 0;
}

static int tvtest_get_integer_info(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *imin, long *imax,
                                   long *istep) {
    plugin_t *p = ext->private_data;
    if (key >= p->count) return -EINVAL;
    *imin = p->elements[key]->min;
    *imax = p->elements[key]->max;
    *istep = 1;
    return 0;
}

static int tvtest_read_integer(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *value) {
    plugin_t *p = ext->private_data;
    if (key >= p->count) return -EINVAL;
    long values[STATE_VALUES];
    load_state(p, values);
    const element_t *e = p->elements[key];
    for (unsigned int c = 0; c < e->count; c++) value[c] = values[e->slot + c];
    return 0;
}

static int tvtest_write_integer(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *value) {
    plugin_t *p = ext->private_data;
    if (key >= p->count) return -EINVAL;
    const element_t *e = p->elements[key];
    long values[STATE_VALUES];
    load_state(p, values);
    int changed = 0;
    for (unsigned int c = 0; c < e->count; c++) {
        if (value[c] < e->min || value[c] > e->max) return -EINVAL;
        changed |= values[e->slot + c] != value[c];
        values[e->slot + c] = value[c];
    }
    int err = save_state(p, values);
    return err < 0 ? err : changed;
}

/* No events are ever pending. */
static int tvtest_read_event(snd_ctl_ext_t *ext, snd_ctl_elem_id_t *id, unsigned int *event_mask) {
    (void)ext;
    (void)id;
    (void)event_mask;
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
    int aux = 1;
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
        if (strcmp(id, "aux") == 0) {
            if ((aux = snd_config_get_bool(n)) < 0) return -EINVAL;
            continue;
        }
        SNDERR("Unknown field %s", id);
        return -EINVAL;
    }
    if (state_file == NULL) {
        SNDERR("tvtest needs a state file");
        return -EINVAL;
    }
    plugin_t *p = calloc(1, sizeof *p);
    if (p == NULL) return -ENOMEM;
    p->state_file = strdup(state_file);
    if (p->state_file == NULL) {
        free(p);
        return -ENOMEM;
    }
    for (size_t e = 0; e < ELEMENT_COUNT; e++)
        if (aux || strncmp(all_elements[e].name, "Aux ", 4) != 0) p->elements[p->count++] = &all_elements[e];
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
